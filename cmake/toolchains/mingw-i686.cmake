# Cross-builds the Windows DLLs and executables with Debian's MinGW-w64 GCC (i686).
set(KV_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
