# Installing on Linux: bin/zolmcom; lib/libzolmcom.so and lib/libzolmplatform.so
# with their version links; the man page; the README, the reference, the
# change log and the samples under share/doc/zolmcom. Each file finds the next
# through a RUNPATH relative to its own place, so an installed tree works
# wherever it is unpacked (a prefix, a .deb, a scratch root).
set(ZOLM_INSTALL_BINDIR bin)
set(ZOLM_INSTALL_LIBDIR lib)
set(ZOLM_INSTALL_DOCDIR share/doc/zolmcom)

# The libraries carry the project version; the soname changes with the major.
set_target_properties(zolm_platform zolmcom_library PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR})
# One RUNPATH, relative to each file, serves the build tree (the platform
# library in platform/) and an installed tree (all in lib/), so installing
# rewrites none: CMake would build a rewritable path padded with empty
# entries, and the loader reads an empty entry as the current directory.
set_target_properties(zolm_platform PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(zolmcom_library PROPERTIES INSTALL_RPATH "$ORIGIN:$ORIGIN/platform")
set_target_properties(zolmcom PROPERTIES INSTALL_RPATH "$ORIGIN/platform:$ORIGIN/../${ZOLM_INSTALL_LIBDIR}")
set_target_properties(zolm_platform zolmcom_library zolmcom PROPERTIES BUILD_WITH_INSTALL_RPATH ON)
install(TARGETS zolm_platform zolmcom_library
        LIBRARY DESTINATION ${ZOLM_INSTALL_LIBDIR} NAMELINK_SKIP)

# The command registers the server library it finds beside itself (the build
# tree) or at this path relative to its own directory (an installed tree).
target_compile_definitions(zolmcom PRIVATE
  ZOLM_INSTALLED_LIBRARY="../${ZOLM_INSTALL_LIBDIR}/libzolmcom.so.${PROJECT_VERSION_MAJOR}")
install(TARGETS zolmcom RUNTIME DESTINATION ${ZOLM_INSTALL_BINDIR})

install(FILES ${PROJECT_SOURCE_DIR}/docs/zolmcom.1 DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md
              ${PROJECT_SOURCE_DIR}/CHANGELOG.md
              ${PROJECT_SOURCE_DIR}/docs/reference.md
        DESTINATION ${ZOLM_INSTALL_DOCDIR})
# The samples as a user reads them; the script that draws the sample
# pictures stays in the source tree.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/ DESTINATION ${ZOLM_INSTALL_DOCDIR}/samples
        PATTERN "make_*.py" EXCLUDE)

include(ZolmPackage)
