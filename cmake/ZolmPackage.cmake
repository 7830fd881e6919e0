# The Debian package, made by CPack from the install rules:
# cpack -G DEB gives zolmcom_VERSION_ARCH.deb (scripts/package puts it in dist/).
set(CPACK_PACKAGE_NAME zolmcom)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "zolmcom")
set(CPACK_PACKAGE_CONTACT "zolmcom maintainers <zolmcom@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "BMP/PCX palette reader and font file finder, as a command and an in-process server")
set(CPACK_PACKAGE_DESCRIPTION
    "The zolmcom command reads BMP and PCX pictures (palettes, PPM output, conversion, scaling) and finds the files of installed fonts, through libzolmcom, the Linux build of the zolmcom automation server, and libzolmplatform, its platform layer.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)
# libc6 and libstdc++6 come from dpkg-shlibdeps when it is there; fontconfig is
# loaded at run time (dlopen) when the font table is first read, so no linker
# dependency names it and it is listed here.
find_program(ZOLM_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ZOLM_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
      ${CMAKE_BINARY_DIR}/platform ${CMAKE_BINARY_DIR})
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libfontconfig1")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1, libfontconfig1")
endif()
include(CPack)
