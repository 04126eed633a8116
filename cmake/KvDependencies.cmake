# Third-party libraries, all from Debian packages; their headers are system headers so that
# our warning set applies to our code only.

# The header-only libraries are installed for the build machine only. A cross build reaches
# them through a folder of links to exactly their headers: adding the build machine's include
# folder itself would put its C library in front of the target's.
function(kv_find_headers variable header)
    if(NOT CMAKE_CROSSCOMPILING)
        find_path(${variable} ${header} REQUIRED)
        return()
    endif()
    find_path(${variable}_ON_BUILD_MACHINE ${header} REQUIRED NO_CMAKE_FIND_ROOT_PATH)
    set(staged ${PROJECT_BINARY_DIR}/build-machine-headers)
    foreach(entry IN LISTS ARGN)
        if(NOT EXISTS ${staged}/${entry})
            file(MAKE_DIRECTORY ${staged})
            file(CREATE_LINK ${${variable}_ON_BUILD_MACHINE}/${entry} ${staged}/${entry} SYMBOLIC)
        endif()
    endforeach()
    set(${variable} ${staged} PARENT_SCOPE)
endfunction()

kv_find_headers(KV_RAPIDJSON_INCLUDE rapidjson/document.h rapidjson)
add_library(kv_rapidjson INTERFACE)
target_include_directories(kv_rapidjson SYSTEM INTERFACE ${KV_RAPIDJSON_INCLUDE})

kv_find_headers(KV_MSGPACK_INCLUDE msgpack.hpp msgpack.hpp msgpack)
add_library(kv_msgpack INTERFACE)
target_include_directories(kv_msgpack SYSTEM INTERFACE ${KV_MSGPACK_INCLUDE})
target_compile_definitions(kv_msgpack INTERFACE MSGPACK_NO_BOOST)

kv_find_headers(KV_CLI11_INCLUDE CLI/CLI.hpp CLI)
add_library(kv_cli11 INTERFACE)
target_include_directories(kv_cli11 SYSTEM INTERFACE ${KV_CLI11_INCLUDE})

if(KV_BUILD_TESTS)
    if(CMAKE_CROSSCOMPILING)
        # Debian ships GoogleTest's sources; a cross build compiles them for the target (they
        # define the GTest:: targets themselves).
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
        foreach(target gtest gtest_main gmock gmock_main)
            get_target_property(includes ${target} INTERFACE_INCLUDE_DIRECTORIES)
            set_target_properties(${target} PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES
                                                       "${includes}")
        endforeach()
    else()
        find_package(GTest REQUIRED)
    endif()
    include(GoogleTest)
endif()
if(KV_BUILD_BENCH AND NOT CMAKE_CROSSCOMPILING)
    find_package(benchmark REQUIRED)
endif()
