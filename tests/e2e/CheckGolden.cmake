# CheckGolden: the checked-in expected files of an example are what make_expected.py works out
# from its bundle, recipe and hand-written program, so that neither can drift from the other.
#   cmake -DPYTHON=<python3> -DSCRIPT=<make_expected.py> -DEXAMPLE=<examples/name> -DWORK=<dir>
#         -P CheckGolden.cmake
include(${CMAKE_CURRENT_LIST_DIR}/E2EHelpers.cmake)

foreach(required PYTHON SCRIPT EXAMPLE WORK)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "CheckGolden: -D${required}=... is required")
    endif()
endforeach()

e2e_fresh_directory("${WORK}")
get_filename_component(name "${EXAMPLE}" NAME)
file(COPY "${EXAMPLE}" DESTINATION "${WORK}")
set(copy "${WORK}/${name}")
execute_process(COMMAND "${PYTHON}" "${SCRIPT}" "${copy}" RESULT_VARIABLE status
                ERROR_VARIABLE errors)
if(NOT status STREQUAL "0")
    message(FATAL_ERROR "make_expected.py failed (${status}): ${errors}")
endif()

file(GLOB_RECURSE written RELATIVE "${copy}" "${copy}/expected/*" "${copy}/expected-windows/*")
list(APPEND written expected-inspect.txt)
set(drifted "")
foreach(file IN LISTS written)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${copy}/${file}"
                            "${EXAMPLE}/${file}" RESULT_VARIABLE differs)
    if(NOT differs STREQUAL "0")
        list(APPEND drifted "${file}")
    endif()
endforeach()
if(drifted)
    message(FATAL_ERROR "checked in, but not what the rules give: ${drifted}\n"
                        "regenerate with: python3 tests/e2e/make_expected.py ${EXAMPLE}")
endif()
