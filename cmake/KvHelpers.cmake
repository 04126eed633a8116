# Shared build settings: warnings, sanitizers and the test helper.

# kv_set_warnings(target): the project's warning set, errors when KV_WERROR is on.
function(kv_set_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
        -Woverloaded-virtual)
    # GCC 12 reports impossible overlaps inside std::string concatenation at -O2 (its bug
    # 105651); the check says nothing about our code there.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(KV_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# On 32-bit x86, floating point in SSE2 registers, as in every x86-64 build. The x87 unit, GCC's
# default there, keeps intermediate results in 80 bits, which GCC 12 does not round back in C++:
# a value converted between units printed differently (212F as 100.000005 degrees, not
# 100.000008), and so did the images. 32-bit Windows promises code it calls a stack aligned to
# 4 bytes only, so functions that need more realign it themselves.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles("#ifndef __i386__\n#error not 32-bit x86\n#endif\nint main() {}"
                          KV_TARGET_IS_I386)
if(KV_TARGET_IS_I386 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-msse2 -mfpmath=sse)
    if(WIN32)
        add_compile_options(-mincoming-stack-boundary=2)
    endif()
endif()

if(KV_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
    # Code that leaves memory to the process exit destroys it instead under LeakSanitizer.
    add_compile_definitions(KV_SANITIZE)
endif()

# kv_add_library(name TYPE sources...): a component library with its namespaced alias.
function(kv_add_library name type)
    add_library(${name} ${type} ${ARGN})
    add_library(kv::${name} ALIAS ${name})
    kv_public_headers(${name})
    kv_set_warnings(${name})
    kv_profile_guided(${name})
endfunction()

# kv_public_headers(target): the folders a user of target includes from ("IData.h",
# "arbor/Arbor.h"), in the source tree while building and in the installed header folder after.
function(kv_public_headers target)
    target_include_directories(${target} PUBLIC
        $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
        $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
        $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/KvSemanticAnalyzer>)
endfunction()

# kv_versioned_library(target): the shared object carries the project's version, and the
# major version in its SONAME (libarbor.so.3); a Windows DLL keeps its plain name.
function(kv_versioned_library target)
    add_library(KvSemanticAnalyzer::${target} ALIAS ${target})
    if(NOT WIN32)
        set_target_properties(${target} PROPERTIES
            VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
    endif()
endfunction()

# kv_add_test(name SOURCES files... LIBS targets...): a GoogleTest binary registered with CTest.
function(kv_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(${name} PRIVATE
        KV_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KV_BINARY_DIR="${PROJECT_BINARY_DIR}")
    kv_set_warnings(${name})
    # A cross build's tests run only through an emulator (Wine for the Windows builds).
    if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
        return()
    endif()
    # Listing the tests under Wine waits for Wine itself to start.
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
        WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
        PROPERTIES ENVIRONMENT "KV_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# kv_message_catalog(target file.def): the Windows build's host texts are GBK, so there the
# library's catalog is converted once, at build time, to gbk/<folder>/<file> in the build tree,
# where the catalog's header includes it. A text GBK cannot hold fails the build.
function(kv_message_catalog target def)
    if(NOT WIN32)
        return()
    endif()
    find_program(KV_ICONV iconv REQUIRED)
    set(source ${CMAKE_CURRENT_SOURCE_DIR}/${def})
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${source})
    set(converted ${PROJECT_BINARY_DIR}/gbk/${relative})
    get_filename_component(folder ${converted} DIRECTORY)
    add_custom_command(OUTPUT ${converted}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${KV_ICONV} -f UTF-8 -t CP936 -o ${converted} ${source}
        DEPENDS ${source}
        COMMENT "Converting ${relative} to GBK"
        VERBATIM)
    # Listed only to order the build: a .def source would otherwise reach the linker as a
    # module-definition file.
    target_sources(${target} PRIVATE ${converted})
    set_source_files_properties(${converted} PROPERTIES HEADER_FILE_ONLY ON)
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}>)
endfunction()
