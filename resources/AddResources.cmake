# zolm_add_resources(TARGET): attaches the library's resources to TARGET.
# Windows: zolmcom.rc, compiled by the toolchain's windres. Linux: the same
# files as byte arrays in a generated C++ file with the exported table that
# the host's FindResourceA reads.
#
# The type library resource "TYPELIB" 1 is the file named by the global
# property ZOLM_TYPELIB_FILE (typelib.cmake: the compiled .tlb on Windows,
# the host type library service's form on Linux), made by the target zolm_typelib.
function(zolm_add_resources target)
  set(ZOLM_RESOURCES_DIR ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  set(fontfile ${ZOLM_RESOURCES_DIR}/FontFile.rgs)
  set(paletteloader ${ZOLM_RESOURCES_DIR}/PaletteLoader.rgs)
  get_property(typelib GLOBAL PROPERTY ZOLM_TYPELIB_FILE)

  if(WIN32)
    enable_language(RC)
    set(ZOLM_RGS_FONTFILE ${fontfile})
    set(ZOLM_RGS_PALETTELOADER ${paletteloader})
    set(ZOLM_MANIFEST ${ZOLM_RESOURCES_DIR}/zolmcom.manifest)
    set(depends ${fontfile} ${paletteloader} ${ZOLM_MANIFEST} ${typelib})
    # The type library in the language it was built for (German, Switzerland).
    set(ZOLM_TYPELIB_RC "LANGUAGE LANG_GERMAN, SUBLANG_GERMAN_SWISS\n1 TYPELIB \"${typelib}\"")
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/zolmcom.rc)
    configure_file(${ZOLM_RESOURCES_DIR}/zolmcom.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${depends}")
  else()
    set(entries -DENTRY_0=REGISTRY,101,${fontfile} -DENTRY_1=REGISTRY,102,${paletteloader}
                -DENTRY_2=TYPELIB,1,${typelib})
    set(depends ${fontfile} ${paletteloader} ${typelib})
    set(count 3)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/zolmResources.cpp)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -DOUTPUT=${out} -DENTRY_COUNT=${count} ${entries}
              -P ${ZOLM_RESOURCES_DIR}/embedResources.cmake
      DEPENDS ${depends} ${ZOLM_RESOURCES_DIR}/embedResources.cmake
      COMMENT "Embedding the library's resources"
      VERBATIM)
    target_sources(${target} PRIVATE ${out})
  endif()
  add_dependencies(${target} zolm_typelib)
endfunction()
