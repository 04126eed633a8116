# Cross-builds the Windows DLLs and executables with Debian's MinGW-w64 GCC (x86_64).
set(KV_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
