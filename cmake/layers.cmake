# tamrix_add_layer(<name> [EXCLUDE files...] [LINKS libraries...]): one layer's static library, made
# of the .cpp files of the current folder and of its platform part (win32/ or posix/). A layer links
# only layers below it (README, "Layers"); the Layers test holds the tree to that.
function(tamrix_add_layer name)
  cmake_parse_arguments(ARG "" "" "EXCLUDE;LINKS" ${ARGN})
  if(WIN32)
    set(platform_part win32)
  else()
    set(platform_part posix)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/${platform_part}/*.cpp)
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC tamrix_options ${ARG_LINKS})
  set_property(GLOBAL APPEND PROPERTY TAMRIX_LAYERS ${name})
endfunction()
