// TerminalColour: the terminal test of each platform, and NO_COLOR.
#include "host/TerminalColour.h"

#include <cstdlib>

#ifndef _WIN32
#include <unistd.h>
#else
#include <io.h>
#include <windows.h>
#endif

namespace kv::host {
namespace {

#ifndef _WIN32
bool IsTerminal(int stream) { return isatty(stream) == 1; }
#else
// A console shows escape sequences only once asked to; a redirected stream is no terminal.
bool IsTerminal(int stream) {
    if (_isatty(stream) == 0) return false;
    HANDLE console = GetStdHandle(stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}
#endif

}  // namespace

bool ColourWanted(ColourChoice choice, bool terminal, const char* noColour) {
    switch (choice) {
        case ColourChoice::Always:
            return true;
        case ColourChoice::Never:
            return false;
        case ColourChoice::Auto:
            break;
    }
    return terminal && (noColour == nullptr || *noColour == '\0');
}

bool ColourForStream(ColourChoice choice, int stream) {
    if (choice == ColourChoice::Never) return false;
    const bool terminal = (stream == 1 || stream == 2) && IsTerminal(stream);
    return ColourWanted(choice, terminal, std::getenv("NO_COLOR"));
}

}  // namespace kv::host
