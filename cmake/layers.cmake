# The program's layers, bottom first. Each folder builds into a library of
# its own that links only the layers below it, and compiles against a view of
# the source tree (build/layers/<folder>/) holding platform.h and the folders
# of those layers alone: an include of a higher layer's header finds no file
# and fails to build. The resource header, shared with the resource script,
# lies beside platform.h in every view. tests/tree/layering_test.cpp checks the same order over the
# include lines themselves, naming file and line.
set(PONDLET_LAYERS core graphics skin engine shell)

function(pondlet_add_layers)
  set(below "")
  set(previous pondlet_platform)
  foreach(folder IN LISTS PONDLET_LAYERS)
    set(view ${CMAKE_BINARY_DIR}/layers/${folder})
    file(REMOVE_RECURSE ${view})
    file(MAKE_DIRECTORY ${view})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/platform/platform.h ${view}/platform.h SYMBOLIC)
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/resources/resource.h ${view}/resource.h SYMBOLIC)
    foreach(visible IN LISTS below ITEMS ${folder})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${visible} ${view}/${visible} SYMBOLIC)
    endforeach()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
    add_library(pondlet_${folder} STATIC ${sources})
    target_include_directories(pondlet_${folder} PRIVATE ${view})
    target_link_libraries(pondlet_${folder} PUBLIC ${previous})
    list(APPEND below ${folder})
    set(previous pondlet_${folder})
  endforeach()
endfunction()
