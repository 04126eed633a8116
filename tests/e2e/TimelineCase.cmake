# TimelineCase: draws a recipe's timeline with `kvc timeline` and compares the picture, byte for
# byte, with its golden, worked out by hand.
#   cmake -DKVC=<kvc> -DBUNDLE=<dir> -DRECIPE=<file> -DEXPECTED=<svg> -DWORK=<scratch dir>
#         -P TimelineCase.cmake
# Optional: -DRUNNER=<program that runs kvc, such as Wine>, -DENCODING=gbk to draw from the
# recipe converted to GBK. The picture must be the only file written.
include(${CMAKE_CURRENT_LIST_DIR}/E2EHelpers.cmake)

foreach(required KVC BUNDLE RECIPE EXPECTED WORK)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "TimelineCase: -D${required}=... is required")
    endif()
endforeach()

e2e_fresh_directory("${WORK}/out")
e2e_recipe_in_encoding("${RECIPE}" "${ENCODING}" "${WORK}" recipe encoding_option)

execute_process(
    COMMAND ${RUNNER} "${KVC}" timeline "${BUNDLE}" "${recipe}" -o "${WORK}/out/timeline.svg"
            ${encoding_option}
    RESULT_VARIABLE status
    OUTPUT_QUIET
    ERROR_VARIABLE stderr_text)

set(failures "")
if(NOT status STREQUAL "0")
    message("kvc timeline exited with ${status}, expected 0:\n${stderr_text}")
    list(APPEND failures "exit status")
endif()
file(GLOB written RELATIVE "${WORK}/out" "${WORK}/out/*")
if(NOT written STREQUAL "timeline.svg")
    message("kvc timeline wrote ${written}, expected timeline.svg alone")
    list(APPEND failures "files written")
endif()
if(EXISTS "${WORK}/out/timeline.svg")
    e2e_compare_text("${EXPECTED}" "${WORK}/out/timeline.svg" failures)
endif()
if(failures)
    message(FATAL_ERROR "the timeline of ${RECIPE} differs from ${EXPECTED}: ${failures}")
endif()
