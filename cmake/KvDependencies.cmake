# Third-party libraries, all from Debian packages; their headers are system headers so that
# our warning set applies to our code only.

find_package(RapidJSON QUIET CONFIG)
find_path(KV_RAPIDJSON_INCLUDE rapidjson/document.h REQUIRED)
add_library(kv_rapidjson INTERFACE)
target_include_directories(kv_rapidjson SYSTEM INTERFACE ${KV_RAPIDJSON_INCLUDE})

find_path(KV_MSGPACK_INCLUDE msgpack.hpp REQUIRED)
add_library(kv_msgpack INTERFACE)
target_include_directories(kv_msgpack SYSTEM INTERFACE ${KV_MSGPACK_INCLUDE})
target_compile_definitions(kv_msgpack INTERFACE MSGPACK_NO_BOOST)

if(NOT CMAKE_CROSSCOMPILING)
    find_path(KV_CLI11_INCLUDE CLI/CLI.hpp REQUIRED)
endif()
add_library(kv_cli11 INTERFACE)
if(KV_CLI11_INCLUDE)
    target_include_directories(kv_cli11 SYSTEM INTERFACE ${KV_CLI11_INCLUDE})
endif()

if(KV_BUILD_TESTS)
    find_package(GTest REQUIRED)
    include(GoogleTest)
endif()
if(KV_BUILD_BENCH AND NOT CMAKE_CROSSCOMPILING)
    find_package(benchmark REQUIRED)
endif()
