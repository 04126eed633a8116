// PlatformFiles: POSIX calls behind one header; the Windows build gets the plain fallbacks.
#include "host/PlatformFiles.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#else
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#endif

namespace kv::host {

std::error_code ExchangeDirectories(const std::filesystem::path& a,
                                    const std::filesystem::path& b) {
#if defined(__linux__) && defined(RENAME_EXCHANGE)
    if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) return {};
    const int error = errno;
    // EINVAL: the filesystem does not know the flag.
    if (error == EINVAL || error == ENOSYS) {
        return std::make_error_code(std::errc::operation_not_supported);
    }
    return {error, std::generic_category()};
#else
    (void)a;
    (void)b;
    return std::make_error_code(std::errc::operation_not_supported);
#endif
}

unsigned long CurrentProcessId() {
#ifndef _WIN32
    return static_cast<unsigned long>(::getpid());
#else
    return static_cast<unsigned long>(::_getpid());
#endif
}

bool ProcessHasEnded(unsigned long id) {
#ifndef _WIN32
    // 0 and values beyond pid_t would address process groups or nothing at all.
    if (id == 0 || id > static_cast<unsigned long>(INT_MAX)) return true;
    return ::kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH;
#else
    if (id == 0 || id > 0xFFFFFFFFul) return true;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
    // No such process is an invalid parameter; any other refusal means it exists.
    if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    CloseHandle(process);
    return ended;
#endif
}

std::error_code MakeFifo(const std::filesystem::path& path) {
#ifndef _WIN32
    if (::mkfifo(path.c_str(), 0666) == 0) return {};
    return {errno, std::generic_category()};
#else
    (void)path;
    return std::make_error_code(std::errc::operation_not_supported);
#endif
}

int StandardStreamWritingTo(const std::filesystem::path& path) {
#ifndef _WIN32
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) return 0;
    for (const int fd : {1, 2}) {
        struct stat stream {};
        if (::fstat(fd, &stream) == 0 && stream.st_dev == target.st_dev &&
            stream.st_ino == target.st_ino) {
            return fd;
        }
    }
#else
    (void)path;
#endif
    return 0;
}

void PrepareProcessForWrites() {
#ifndef _WIN32
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    for (const int fd : {0, 1, 2}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", O_RDONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
#else
    // Text mode would turn each line feed into CR LF: what kvc prints is the same bytes on
    // every platform.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
#ifdef _WIN32
    // The narrow argv went through the ANSI code page and lost what it cannot hold; the wide
    // command line has every character.
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide != nullptr) {
        std::vector<std::string> arguments;
        for (int i = 0; i < count; ++i) {
            const int size =
                WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
            std::string argument(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, argument.data(), size, nullptr, nullptr);
            argument.resize(argument.size() - 1);  // the terminating NUL
            arguments.push_back(std::move(argument));
        }
        LocalFree(wide);
        return arguments;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace kv::host
