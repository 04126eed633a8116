# CheckSvgTools: a picture must be well-formed XML to xmllint and render to PNG with
# rsvg-convert, neither saying a word on standard error.
#   cmake -DSVG=<picture> -DWORK=<scratch dir> -P CheckSvgTools.cmake
# Without either tool the check is skipped (the test is marked so), saying which is missing.
foreach(required SVG WORK)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "CheckSvgTools: -D${required}=... is required")
    endif()
endforeach()

find_program(XMLLINT xmllint)
find_program(RSVG_CONVERT rsvg-convert)
if(NOT XMLLINT OR NOT RSVG_CONVERT)
    message("SKIPPED: xmllint (Debian libxml2-utils) or rsvg-convert (Debian librsvg2-bin) is "
            "not installed; scripts/install-deps.sh installs both")
    return()
endif()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(failures "")
execute_process(COMMAND "${XMLLINT}" --noout "${SVG}"
                RESULT_VARIABLE status ERROR_VARIABLE said)
if(NOT status STREQUAL "0" OR NOT said STREQUAL "")
    message("xmllint --noout ${SVG} exited with ${status}:\n${said}")
    list(APPEND failures "xmllint")
endif()
execute_process(COMMAND "${RSVG_CONVERT}" --format=png -o "${WORK}/picture.png" "${SVG}"
                RESULT_VARIABLE status OUTPUT_VARIABLE shown ERROR_VARIABLE said)
set(signature "")
if(EXISTS "${WORK}/picture.png")
    file(READ "${WORK}/picture.png" signature LIMIT 8 HEX)
endif()
if(NOT status STREQUAL "0" OR NOT said STREQUAL "" OR NOT signature STREQUAL "89504e470d0a1a0a")
    message("rsvg-convert ${SVG} exited with ${status}, wrote PNG signature '${signature}':\n"
            "${said}")
    list(APPEND failures "rsvg-convert")
endif()
if(failures)
    message(FATAL_ERROR "${SVG} does not pass: ${failures}")
endif()
