# CompileExample: compiles one example with kvc and compares every output with expected/.
#   cmake -DKVC=<kvc> -DEXAMPLE=<examples/name> -DWORK=<scratch dir> -P CompileExample.cmake
# expected/ mirrors the output directory file for file (log.jsonl included, written there with
# --log-json), plus stdout.txt and stderr.txt for the two streams. The expected image must also
# read back with `kvc inspect`, showing the texts of expected-inspect.txt in that order.
# Optional: -DRUNNER=<program that runs kvc, such as Wine>, -DENCODING=gbk to compile the recipe
# converted to GBK, -DOVERRIDES=<dir> whose files are expected instead of expected/'s.
include(${CMAKE_CURRENT_LIST_DIR}/E2EHelpers.cmake)

foreach(required KVC EXAMPLE WORK)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "CompileExample: -D${required}=... is required")
    endif()
endforeach()

set(expected_dir "${EXAMPLE}/expected")
set(out "${WORK}/out")
e2e_fresh_directory("${WORK}")

e2e_recipe_in_encoding("${EXAMPLE}/recipe.rcp" "${ENCODING}" "${WORK}" recipe encoding_option)

execute_process(
    COMMAND ${RUNNER} "${KVC}" compile "${EXAMPLE}/bundle" "${recipe}" -o "${out}"
            --log-json "${out}/log.jsonl" ${encoding_option}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE stdout_text
    ERROR_VARIABLE stderr_text)
file(WRITE "${WORK}/stdout.txt" "${stdout_text}")
file(WRITE "${WORK}/stderr.txt" "${stderr_text}")

set(failures "")
if(NOT status STREQUAL "0")
    message("kvc compile exited with ${status}, expected 0")
    list(APPEND failures "exit status")
endif()

# Every expected file must be produced, and nothing else may be.
file(GLOB_RECURSE expected_files RELATIVE "${expected_dir}" "${expected_dir}/*")
file(GLOB_RECURSE produced_files RELATIVE "${out}" "${out}/*")
list(APPEND produced_files stdout.txt stderr.txt)
list(SORT expected_files)
list(SORT produced_files)
if(NOT expected_files STREQUAL produced_files)
    message("output files differ:\n  expected: ${expected_files}\n  produced: ${produced_files}")
    list(APPEND failures "file list")
endif()

foreach(name IN LISTS expected_files)
    if(name STREQUAL "stdout.txt" OR name STREQUAL "stderr.txt")
        set(actual "${WORK}/${name}")
    else()
        set(actual "${out}/${name}")
    endif()
    if(NOT EXISTS "${actual}")
        continue()
    endif()
    set(expected "${expected_dir}/${name}")
    if(DEFINED OVERRIDES AND EXISTS "${OVERRIDES}/${name}")
        set(expected "${OVERRIDES}/${name}")
    endif()
    if(name MATCHES "\\.bin$")
        e2e_compare_binary("${expected}" "${actual}" failures)
    else()
        e2e_compare_text("${expected}" "${actual}" failures)
    endif()
endforeach()

# The image reads back: every record's texts, in image order.
set(image "${expected_dir}/appParameterDataVm/binBytes.bin")
if(EXISTS "${EXAMPLE}/expected-inspect.txt")
    execute_process(COMMAND ${RUNNER} "${KVC}" inspect "${image}"
        RESULT_VARIABLE inspect_status OUTPUT_VARIABLE shown ERROR_VARIABLE inspect_errors)
    if(NOT inspect_status STREQUAL "0")
        message("kvc inspect exited with ${inspect_status}: ${inspect_errors}")
        list(APPEND failures "inspect")
    else()
        file(STRINGS "${EXAMPLE}/expected-inspect.txt" wanted ENCODING UTF-8)
        set(rest "${shown}")
        foreach(text IN LISTS wanted)
            string(FIND "${rest}" "${text}" at)
            if(at EQUAL -1)
                message("kvc inspect does not show ${text} where expected:\n${shown}")
                list(APPEND failures "inspect")
                break()
            endif()
            string(LENGTH "${text}" length)
            math(EXPR after "${at} + ${length}")
            string(SUBSTRING "${rest}" ${after} -1 rest)
        endforeach()
    endif()
endif()

if(failures)
    message(FATAL_ERROR "example ${EXAMPLE} differs from its expected outputs: ${failures}")
endif()
