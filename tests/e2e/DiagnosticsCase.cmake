# DiagnosticsCase: runs kvc on a recipe against the example bundle and checks what it shows.
#   cmake -DKVC=<kvc> -DCASE=<diagnostics/name> -DBUNDLE=<bundle> -DWORK=<scratch dir>
#         -P DiagnosticsCase.cmake
# A case holds recipe.rcp, copied into WORK where kvc runs, and:
#   args.txt                the arguments after "kvc", one per line; @BUNDLE@ is the bundle
#   expected-stderr.txt     standard error exactly; @BUNDLE@ as above, <ESC> for the escape byte
#   expected-status.txt     the exit status
#   expected-stdout.txt     (optional) standard output exactly
#   expected-errors.jsonl   (optional) the error calls of the JSON log log.jsonl, in order
#   expected-files.txt      (optional) every entry left in WORK afterwards, one per line
#   env.txt                 (optional) NAME=VALUE lines set for the run
# Optional: -DRUNNER=<program that runs kvc, such as Wine>.
cmake_policy(VERSION 3.25)  # "@BUNDLE@" stays text, not a variable reference
include(${CMAKE_CURRENT_LIST_DIR}/E2EHelpers.cmake)

foreach(required KVC CASE BUNDLE WORK)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "DiagnosticsCase: -D${required}=... is required")
    endif()
endforeach()

e2e_fresh_directory("${WORK}")
file(COPY "${CASE}/recipe.rcp" DESTINATION "${WORK}")
string(ASCII 27 escape)

file(STRINGS "${CASE}/args.txt" arguments ENCODING UTF-8)
list(TRANSFORM arguments REPLACE "@BUNDLE@" "${BUNDLE}")
set(environment --unset=NO_COLOR)
if(EXISTS "${CASE}/env.txt")
    file(STRINGS "${CASE}/env.txt" environment ENCODING UTF-8)
endif()
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ${environment} ${RUNNER} "${KVC}" ${arguments}
    WORKING_DIRECTORY "${WORK}"
    RESULT_VARIABLE status
    OUTPUT_VARIABLE stdout_text
    ERROR_VARIABLE stderr_text)
# Listed before the comparisons add their files beside the work.
file(GLOB left_in_work RELATIVE "${WORK}" "${WORK}/*")
list(SORT left_in_work)

set(failures "")
# The texts compared lie beside the work folder, so that they are not found in it.
set(compared "${WORK}-compared")
e2e_fresh_directory("${compared}")

file(READ "${CASE}/expected-stderr.txt" wanted)
string(REPLACE "@BUNDLE@" "${BUNDLE}" wanted "${wanted}")
string(REPLACE "<ESC>" "${escape}" wanted "${wanted}")
file(WRITE "${compared}/expected-stderr.txt" "${wanted}")
file(WRITE "${compared}/stderr.txt" "${stderr_text}")
e2e_compare_text("${compared}/expected-stderr.txt" "${compared}/stderr.txt" failures)

if(EXISTS "${CASE}/expected-stdout.txt")
    file(WRITE "${compared}/stdout.txt" "${stdout_text}")
    e2e_compare_text("${CASE}/expected-stdout.txt" "${compared}/stdout.txt" failures)
endif()

if(EXISTS "${CASE}/expected-errors.jsonl")
    file(READ "${WORK}/log.jsonl" log)
    e2e_lines_starting_with("${log}" "{\"op\":\"Report" error_calls)
    file(WRITE "${compared}/errors.jsonl" "${error_calls}")
    e2e_compare_text("${CASE}/expected-errors.jsonl" "${compared}/errors.jsonl" failures)
endif()

if(EXISTS "${CASE}/expected-files.txt")
    file(STRINGS "${CASE}/expected-files.txt" wanted_files)
    if(NOT left_in_work STREQUAL wanted_files)
        message("files left in the work folder differ:\n  expected: ${wanted_files}\n"
                "  found:    ${left_in_work}")
        list(APPEND failures "files")
    endif()
endif()

file(STRINGS "${CASE}/expected-status.txt" wanted_status LIMIT_COUNT 1)
if(NOT status STREQUAL wanted_status)
    message("kvc exited with ${status}, expected ${wanted_status}\nstdout:\n${stdout_text}")
    list(APPEND failures "exit status")
endif()

if(failures)
    message(FATAL_ERROR "diagnostics case ${CASE} failed: ${failures}")
endif()
