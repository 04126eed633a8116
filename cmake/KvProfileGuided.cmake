# Profile-guided optimisation (GCC): a build with KV_PGO_GENERATE counts what its programs run
# and writes the counts to that folder; a build with KV_PGO_USE compiles with the counts found
# there. scripts/pgo-train.sh makes the counts in build/pgo-profile, which the release preset
# reads; a folder not there yet leaves the build without them.
#
# The counts of an object are found by its path below the build folder, so a training build
# and the build that uses its counts must lay out their objects alike, as two presets of this
# project do. Code that changed since the training run, or that it never reached, is compiled
# as without a profile: the profile makes the compile faster, never different.
set(KV_PGO_GENERATE "" CACHE PATH "Folder the programs of this build write their profile to")
set(KV_PGO_USE "" CACHE PATH "Folder holding the profile this build is optimised with")

# kv_profile_guided(target): target is part of what the profile counts and serves: the
# libraries and kvc, not the tests, benchmarks and fuzzers. A library counting what it runs
# gives whatever links it the counting's runtime.
function(kv_profile_guided target)
    if(KV_PGO_COMPILE_OPTIONS)
        target_compile_options(${target} PRIVATE ${KV_PGO_COMPILE_OPTIONS})
    endif()
    if(KV_PGO_LINK_OPTIONS)
        target_link_options(${target} PUBLIC ${KV_PGO_LINK_OPTIONS})
    endif()
endfunction()

if(NOT KV_PGO_GENERATE AND NOT KV_PGO_USE)
    return()
endif()
if(KV_PGO_GENERATE AND KV_PGO_USE)
    message(FATAL_ERROR "KV_PGO_GENERATE and KV_PGO_USE exclude each other")
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR CMAKE_CROSSCOMPILING OR KV_SANITIZE)
    message(STATUS "Profile-guided optimisation: GCC native builds without sanitizers only")
    return()
endif()

if(KV_PGO_GENERATE)
    # The parse runs on a thread of its own: counts from several threads must add up.
    # RapidJSON's parser is left uncounted: inlined the way the counts of a training recipe
    # have it, it read the tables of a large bundle 5 % slower than without them.
    set(KV_PGO_COMPILE_OPTIONS -fprofile-generate=${KV_PGO_GENERATE}
        -fprofile-prefix-path=${PROJECT_BINARY_DIR} -fprofile-update=atomic
        -fprofile-exclude-files=/rapidjson/)
    set(KV_PGO_LINK_OPTIONS -fprofile-generate=${KV_PGO_GENERATE})
elseif(EXISTS "${KV_PGO_USE}")
    # A function the training never ran is optimised as usual, not for size; a stale profile
    # is a warning, and that function's counts are left out. Inlined as the profile has it,
    # RapidJSON's string writer draws GCC 12's -Wstringop-overflow (a buffer it has just
    # reserved taken for one of no size); the builds without a profile keep that check.
    set(KV_PGO_COMPILE_OPTIONS -fprofile-use=${KV_PGO_USE}
        -fprofile-prefix-path=${PROJECT_BINARY_DIR} -fprofile-partial-training
        -fprofile-correction -Wno-missing-profile -Wno-error=coverage-mismatch
        -Wno-stringop-overflow)
    set(KV_PGO_APPLIED ON)
    message(STATUS "Profile-guided optimisation with ${KV_PGO_USE}")
else()
    message(STATUS "Profile-guided optimisation: no profile in ${KV_PGO_USE} yet")
endif()
