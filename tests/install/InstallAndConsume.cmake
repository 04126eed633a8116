# Installs the build into a fresh prefix and uses it as a host developer would: checks the
# installed files and their dynamic sections, builds minimal_host outside the tree once with
# find_package and once with pkg-config, runs both, and compiles the example with the
# installed kvc.
#   cmake -DBUILD=<build dir> -DSOURCE=<this folder> -DWORK=<scratch> -DEXAMPLE=<example>
#         -DCONFIG=<build type> -DVERSION=<x.y.z> -DCXX=<compiler> -P InstallAndConsume.cmake
cmake_minimum_required(VERSION 3.25)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out
                    ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "${command}\nexited with ${status}\n${out}\n${err}")
    endif()
    set(output "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})

# Exactly the listed files, no more.
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${prefix} ${prefix}/*)
list(SORT installed)
list(JOIN installed "\n" installed)
file(READ ${SOURCE}/expected-files.txt expected)
string(STRIP "${expected}" expected)
string(REPLACE "@VERSION@" "${VERSION}" expected "${expected}")
string(TOLOWER "${CONFIG}" config)
string(REPLACE "@CONFIG@" "${config}" expected "${expected}")
if(NOT installed STREQUAL expected)
    message(FATAL_ERROR "installed files:\n${installed}\n\nexpected:\n${expected}")
endif()

# SONAMEs with the major version, and RUNPATHs that hold wherever the prefix goes.
string(REGEX MATCH "^[0-9]+" major "${VERSION}")
foreach(library KvSemanticAnalyzer arbor utilo)
    run(readelf -d ${prefix}/lib/lib${library}.so.${VERSION})
    if(NOT output MATCHES "Library soname: \\[lib${library}\\.so\\.${major}\\]")
        message(FATAL_ERROR "lib${library} has no SONAME lib${library}.so.${major}:\n${output}")
    endif()
endforeach()
run(readelf -d ${prefix}/bin/kvc)
if(NOT output MATCHES "Library runpath: \\[\\$ORIGIN/\\.\\./lib\\]")
    message(FATAL_ERROR "kvc's RUNPATH is not $ORIGIN/../lib:\n${output}")
endif()
if(output MATCHES "${BUILD}")
    message(FATAL_ERROR "kvc still points into the build folder:\n${output}")
endif()

# The CMake package.
run(${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/with-cmake -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK}/with-cmake)
run(${WORK}/with-cmake/minimal_host)
message(STATUS "find_package host: ${output}")

# pkg-config, with the installed prefix moved: the .pc file finds it from its own place.
file(RENAME ${prefix} ${WORK}/moved)
set(prefix ${WORK}/moved)
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run(pkg-config --cflags --libs kvsemanticanalyzer)
separate_arguments(flags UNIX_COMMAND "${output}")
run(pkg-config --variable=libdir kvsemanticanalyzer)
string(STRIP "${output}" libdir)
run(${CXX} -std=c++20 ${SOURCE}/minimal_host.cpp ${flags} -ldl -Wl,-rpath,${libdir}
    "-DKV_ANALYZER_LIBRARY=\"${libdir}/libKvSemanticAnalyzer.so.${major}\""
    -o ${WORK}/minimal_host_pc)
run(${WORK}/minimal_host_pc)
message(STATUS "pkg-config host: ${output}")

# The installed kvc, from the moved prefix, gives the example's checked-in outputs.
run(${prefix}/bin/kvc compile ${EXAMPLE}/bundle ${EXAMPLE}/recipe.rcp -o ${WORK}/out)
file(GLOB_RECURSE outputs LIST_DIRECTORIES false RELATIVE ${EXAMPLE}/expected
     ${EXAMPLE}/expected/*)
list(REMOVE_ITEM outputs stdout.txt stderr.txt log.jsonl)
foreach(file IN LISTS outputs)
    run(${CMAKE_COMMAND} -E compare_files ${EXAMPLE}/expected/${file} ${WORK}/out/${file})
endforeach()
