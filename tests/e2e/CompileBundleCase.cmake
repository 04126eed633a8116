# CompileBundleCase: compiles a small bundle case and checks the diagnostics it must give.
#   cmake -DKVC=<kvc> -DCASE=<bundles/name> -DWORK=<scratch dir> -P CompileBundleCase.cmake
# A case holds bundle/, recipe.rcp, expected-stderr.txt (every diagnostic line, with @BUNDLE@
# for the bundle path as given to kvc) and expected-errors.jsonl (the error calls of the JSON
# log, in order). kvc must exit 1 when errors are expected and 0 when none are.
include(${CMAKE_CURRENT_LIST_DIR}/E2EHelpers.cmake)

foreach(required KVC CASE WORK)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "CompileBundleCase: -D${required}=... is required")
    endif()
endforeach()

set(bundle "${CASE}/bundle")
e2e_fresh_directory("${WORK}")
execute_process(
    COMMAND ${RUNNER} "${KVC}" compile "${bundle}" "${CASE}/recipe.rcp" -o "${WORK}/out"
            --log-json "${WORK}/log.jsonl"
    RESULT_VARIABLE status
    OUTPUT_VARIABLE stdout_text
    ERROR_VARIABLE stderr_text)

set(failures "")
file(READ "${CASE}/expected-stderr.txt" wanted_stderr)
string(REPLACE "@BUNDLE@" "${bundle}" wanted_stderr "${wanted_stderr}")
file(WRITE "${WORK}/expected-stderr.txt" "${wanted_stderr}")
file(WRITE "${WORK}/stderr.txt" "${stderr_text}")
e2e_compare_text("${WORK}/expected-stderr.txt" "${WORK}/stderr.txt" failures)

if(EXISTS "${WORK}/log.jsonl")
    file(READ "${WORK}/log.jsonl" log)
    e2e_lines_starting_with("${log}" "{\"op\":\"Report" error_calls)
    file(WRITE "${WORK}/errors.jsonl" "${error_calls}")
    e2e_compare_text("${CASE}/expected-errors.jsonl" "${WORK}/errors.jsonl" failures)
else()
    message("kvc wrote no JSON log")
    list(APPEND failures "log.jsonl")
endif()

if(wanted_stderr STREQUAL "")
    set(wanted_status 0)
else()
    set(wanted_status 1)
endif()
if(NOT status STREQUAL wanted_status)
    message("kvc compile exited with ${status}, expected ${wanted_status}\nstdout:\n${stdout_text}")
    list(APPEND failures "exit status")
endif()

if(failures)
    message(FATAL_ERROR "bundle case ${CASE} failed: ${failures}")
endif()
