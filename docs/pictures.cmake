# Draws the pictures docs/skins.md shows of the bundled skin (its week and
# its contact sheet) into OUT and, with EXPECTED, fails unless each equals
# the checked-in copy there. Regenerate with scripts/docs-pictures.sh.
# Usage: cmake -DTOOL=pondlet-tool -DSKIN=skins/pondlet -DOUT=... [-DEXPECTED=docs/images] -P pictures.cmake
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${TOOL} schedule ${SKIN} --week-of 2024-05-06 --png ${OUT}/schedule.png
                RESULT_VARIABLE scheduleResult)
execute_process(COMMAND ${TOOL} sheet ${SKIN} --at "2024-05-06 07:05:09" --screen 240x320x16
                        --png ${OUT}/sheet.png
                RESULT_VARIABLE sheetResult)
if(NOT scheduleResult EQUAL 0 OR NOT sheetResult EQUAL 0)
  message(FATAL_ERROR "pondlet-tool failed (schedule ${scheduleResult}, sheet ${sheetResult})")
endif()
if(EXPECTED)
  foreach(name schedule.png sheet.png)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED}/${name} ${OUT}/${name}
                    RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
      message(FATAL_ERROR "${name} differs from docs/images; run scripts/docs-pictures.sh")
    endif()
  endforeach()
endif()
