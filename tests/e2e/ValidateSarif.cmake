# ValidateSarif: kvc's SARIF logs pass Microsoft's SARIF multitool, installed by this script.
#   cmake -DKVC=<kvc> -DSOURCE=<source tree> -DTOOLS=<folder for the multitool>
#         -DWORK=<scratch dir> -P ValidateSarif.cmake
# The multitool comes from npm into TOOLS once, and is reused. Without node and npm the test is
# skipped (CTest reads the "SKIPPED:" line); scripts/install-deps.sh installs both.
cmake_policy(VERSION 3.25)

foreach(required KVC SOURCE TOOLS WORK)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "ValidateSarif: -D${required}=... is required")
    endif()
endforeach()

find_program(NODE node)
find_program(NPM npm)
find_program(NPX npx)
if(NOT NODE OR NOT NPM OR NOT NPX)
    message("SKIPPED: validating SARIF needs node, npm and npx; scripts/install-deps.sh installs them")
    return()
endif()

set(multitool "${TOOLS}/node_modules/.bin/sarif-multitool")
if(NOT EXISTS "${multitool}")
    file(MAKE_DIRECTORY "${TOOLS}")
    execute_process(
        COMMAND "${NPM}" install --prefix "${TOOLS}" --no-audit --no-fund --no-save
                @microsoft/sarif-multitool@5
        RESULT_VARIABLE installed
        OUTPUT_VARIABLE install_output
        ERROR_VARIABLE install_output)
    if(NOT installed STREQUAL "0" OR NOT EXISTS "${multitool}")
        message(FATAL_ERROR "npm could not install @microsoft/sarif-multitool:\n${install_output}")
    endif()
endif()

# Logs with every kind of result: errors with notes in related locations, kvc's own warning,
# an error without a position (it names the bundle), and a clean compile without results.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(example "${SOURCE}/examples/braised-chicken")
set(runs
    "fullwidth|${example}/bundle|${SOURCE}/tests/e2e/diagnostics/fullwidth-punctuation/recipe.rcp"
    "repeats|${example}/bundle|${SOURCE}/tests/e2e/diagnostics/repeats-and-summary/recipe.rcp"
    "no-position|${SOURCE}/tests/e2e/bundles/unit-ratio-missing/bundle|${SOURCE}/tests/e2e/bundles/unit-ratio-missing/recipe.rcp"
    "clean|${example}/bundle|${example}/recipe.rcp")
set(logs "")
foreach(run IN LISTS runs)
    string(REPLACE "|" ";" parts "${run}")
    list(GET parts 0 name)
    list(GET parts 1 bundle)
    list(GET parts 2 recipe)
    execute_process(
        COMMAND "${KVC}" check "${bundle}" "${recipe}" --quiet --diagnostics-format=sarif
                --diagnostics-output "${WORK}/${name}.sarif"
        RESULT_VARIABLE status
        ERROR_VARIABLE errors)
    if(NOT status MATCHES "^[01]$" OR NOT EXISTS "${WORK}/${name}.sarif")
        message(FATAL_ERROR "kvc check (${name}) exited with ${status}: ${errors}")
    endif()
    list(APPEND logs "${WORK}/${name}.sarif")
endforeach()

execute_process(
    COMMAND "${NPX}" --no-install sarif-multitool validate ${logs}
    WORKING_DIRECTORY "${TOOLS}"
    RESULT_VARIABLE validated
    OUTPUT_VARIABLE report
    ERROR_VARIABLE report)
message("${report}")
list(LENGTH logs count)
# The multitool exits 0 whatever it found, so its report is read: every log scanned, no error.
if(NOT validated STREQUAL "0" OR NOT report MATCHES "Done\\. ${count} files scanned")
    message(FATAL_ERROR "the SARIF multitool did not validate the ${count} logs")
endif()
if(report MATCHES ": error [A-Z]+[0-9]+:")
    message(FATAL_ERROR "the SARIF multitool found errors in kvc's logs")
endif()
