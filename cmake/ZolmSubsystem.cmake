# zolm_subsystem(NAME): one object library per subsystem folder, made of every
# .cpp below it, so that a new file needs no edit here. The objects (not an
# archive) go into each program, so nothing is dropped for being unreferenced
# (the library's class table relies on that).
function(zolm_subsystem name)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} OBJECT ${sources})
  target_link_libraries(${name} PUBLIC zolm_platform)
endfunction()

# zolm_link_core(TARGET): the image library, the automation objects and the
# frame, as objects, plus the platform.
function(zolm_link_core target)
  foreach(lib zolm_image zolm_automation zolm_server)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:${lib}>)
  endforeach()
  target_link_libraries(${target} PRIVATE zolm_platform)
endfunction()

# zolm_link_image(TARGET): the image library alone, for the command and tools.
function(zolm_link_image target)
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:zolm_image>)
  target_link_libraries(${target} PRIVATE zolm_platform)
endfunction()
