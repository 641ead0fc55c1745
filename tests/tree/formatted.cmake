# Fails naming each source file that clang-format would lay out otherwise.
execute_process(COMMAND git ls-files "*.cpp" "*.h" WORKING_DIRECTORY ${ROOT}
                OUTPUT_VARIABLE files OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE listed)
if(NOT listed EQUAL 0)
  # Not a git checkout: every source file below the layers' and tests' folders.
  file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/*.cpp ${ROOT}/*.h)
  list(FILTER files EXCLUDE REGEX "^build/")
else()
  string(REPLACE "\n" ";" files "${files}")
endif()
set(unformatted "")
foreach(file IN LISTS files)
  execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${file} WORKING_DIRECTORY ${ROOT}
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  if(NOT result EQUAL 0)
    list(APPEND unformatted ${file})
  endif()
endforeach()
if(unformatted)
  list(JOIN unformatted "\n  " shown)
  message(FATAL_ERROR "not as .clang-format lays them out (run clang-format -i on them):\n  ${shown}")
endif()
