# Cross-builds the Windows DLLs and executables with Debian's MinGW-w64 GCC (i686).
set(KV_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Floating point in SSE2 registers, as on every x86-64 build. The x87 unit, GCC's default here,
# keeps intermediate results in 80 bits, which GCC 12 does not round back in C++: a value
# converted between units then printed differently in the 32-bit DLL, and so did the images.
# 32-bit Windows promises a stack aligned to 4 bytes only (a thread the system starts, a callback),
# so functions that need more realign it themselves.
set(KV_I686_FLAGS "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_C_FLAGS_INIT "${KV_I686_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${KV_I686_FLAGS}")
