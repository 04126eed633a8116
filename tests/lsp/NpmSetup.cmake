# Installs the Node packages the language server's tests use into PREFIX (in the build tree),
# from SOURCE's package.json and package-lock.json; nothing when the same lock is installed.
#   cmake -DNPM=npm -DSOURCE=tests/lsp/node -DPREFIX=build/.../node -P NpmSetup.cmake
file(MAKE_DIRECTORY ${PREFIX})
set(installed ${PREFIX}/node_modules/.installed-lock.json)
if(EXISTS ${installed})
    file(READ ${installed} before)
    file(READ ${SOURCE}/package-lock.json wanted)
    if(before STREQUAL wanted)
        return()
    endif()
endif()
file(COPY ${SOURCE}/package.json ${SOURCE}/package-lock.json DESTINATION ${PREFIX})
execute_process(COMMAND ${NPM} ci --no-audit --no-fund --loglevel=error
    WORKING_DIRECTORY ${PREFIX} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "npm ci failed in ${PREFIX} (status ${status})")
endif()
file(COPY_FILE ${SOURCE}/package-lock.json ${installed})
