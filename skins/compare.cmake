# Regenerates the bundled skin into OUT and fails unless every file equals the
# checked-in copy in EXPECTED, with no file missing or extra on either side.
# Usage: cmake -DGENERATOR=... -DOUT=... -DEXPECTED=... -P compare.cmake
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${GENERATOR} ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the generator failed (${result})")
endif()
file(GLOB expected RELATIVE ${EXPECTED} ${EXPECTED}/*)
file(GLOB produced RELATIVE ${OUT} ${OUT}/*)
list(SORT expected)
list(SORT produced)
if(NOT expected STREQUAL produced)
  message(FATAL_ERROR "file lists differ:\n checked in: ${expected}\n generated:  ${produced}")
endif()
foreach(name ${expected})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED}/${name} ${OUT}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${name} differs from the generator's output; rerun the generator into skins/pondlet")
  endif()
endforeach()
message(STATUS "all files match: ${expected}")
