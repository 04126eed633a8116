# The MinGW runtime DLLs ship beside ours: the shared C++ runtime (the host interface passes
# std::string and std::map across the DLL boundary, so host and library must share one), its
# libgcc (DWARF-unwound on i686, SEH on x64) and the posix thread model's winpthread.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(kv_libgcc libgcc_s_dw2-1.dll)
else()
    set(kv_libgcc libgcc_s_seh-1.dll)
endif()
foreach(dll libstdc++-6.dll ${kv_libgcc} libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "the MinGW runtime ${dll} was not found")
    endif()
    file(COPY "${path}" DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endforeach()
