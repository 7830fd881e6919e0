# The interface definitions (zolmcom.idl) and what is made from them:
# - every build: the C++ declarations of IFontFile and IPaletteLoader and the
#   identifiers, included as "automation/zolmcomInterfaces.h" (the generated file
#   lies in ${CMAKE_BINARY_DIR}/generated, an include directory of zolm_platform);
# - Windows: the compiled type library zolmcom.tlb (widl; 32-bit or 64-bit
#   system kind after the target), built by the target zolm_typelib;
# - Linux: generated/zolmcom.tlb, the library's types in the form the host
#   type library service loads (platform/host/typelibLoad.cpp).
# generate_from_idl.py is the one reader of the definitions in the tree; it
# writes the declarations and the Linux type library in one go.
# ZOLM_TYPELIB_FILE (a variable here and a global property) names the file to
# carry as resource "TYPELIB" 1 in either build.
find_program(ZOLM_PYTHON3 NAMES python3 REQUIRED)

set(ZOLM_IDL ${CMAKE_CURRENT_SOURCE_DIR}/zolmcom.idl)
set(zolm_generated_dir ${CMAKE_BINARY_DIR}/generated)
set(zolm_interfaces_header ${zolm_generated_dir}/zolmcomInterfaces.generated.h)
set(zolm_outputs ${zolm_interfaces_header})
set(zolm_generate_args ${ZOLM_IDL} ${zolm_interfaces_header})
if(NOT WIN32)
  set(zolm_host_typelib ${zolm_generated_dir}/zolmcom.tlb)
  list(APPEND zolm_outputs ${zolm_host_typelib})
  list(APPEND zolm_generate_args --typelib ${zolm_host_typelib})
endif()
add_custom_command(
  OUTPUT ${zolm_outputs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${zolm_generated_dir}
  COMMAND ${ZOLM_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/generate_from_idl.py ${zolm_generate_args}
  DEPENDS ${ZOLM_IDL} ${CMAKE_CURRENT_SOURCE_DIR}/generate_from_idl.py
  COMMENT "Generating the interface declarations from zolmcom.idl")
add_custom_target(zolm_interfaces DEPENDS ${zolm_outputs})
# Everything that links the platform may include the declarations.
target_include_directories(zolm_platform INTERFACE ${zolm_generated_dir})
add_dependencies(zolm_platform zolm_interfaces)

if(WIN32)
  if(NOT ZOLM_WIDL)
    message(FATAL_ERROR "widl (mingw-w64-tools) is needed to compile the type library")
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(zolm_widl_kind --win32)
  else()
    set(zolm_widl_kind --win64)
  endif()
  set(zolm_stdole_dir ${CMAKE_CURRENT_BINARY_DIR}/stdole)
  set(ZOLM_TYPELIB_FILE ${CMAKE_CURRENT_BINARY_DIR}/zolmcom.tlb)
  add_custom_command(
    OUTPUT ${zolm_stdole_dir}/stdole2.tlb
    COMMAND ${CMAKE_COMMAND} -E make_directory ${zolm_stdole_dir}
    COMMAND ${ZOLM_WIDL} ${zolm_widl_kind} --nostdinc -I ${CMAKE_CURRENT_SOURCE_DIR}
            -t -o ${zolm_stdole_dir}/stdole2.tlb ${CMAKE_CURRENT_SOURCE_DIR}/stdole2.idl
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/stdole2.idl ${CMAKE_CURRENT_SOURCE_DIR}/automation_base.idl
    COMMENT "Compiling the standard automation library's references")
  add_custom_command(
    OUTPUT ${ZOLM_TYPELIB_FILE}
    COMMAND ${ZOLM_WIDL} ${zolm_widl_kind} --nostdinc -I ${CMAKE_CURRENT_SOURCE_DIR}
            -L ${zolm_stdole_dir} -t -o ${ZOLM_TYPELIB_FILE} ${ZOLM_IDL}
    DEPENDS ${ZOLM_IDL} ${CMAKE_CURRENT_SOURCE_DIR}/automation_base.idl
            ${zolm_stdole_dir}/stdole2.tlb
    COMMENT "Compiling the type library zolmcom.tlb")
  add_custom_target(zolm_typelib ALL DEPENDS ${ZOLM_TYPELIB_FILE})
else()
  set(ZOLM_TYPELIB_FILE ${zolm_host_typelib})
  add_custom_target(zolm_typelib)
  add_dependencies(zolm_typelib zolm_interfaces)
endif()
set_property(GLOBAL PROPERTY ZOLM_TYPELIB_FILE ${ZOLM_TYPELIB_FILE})
