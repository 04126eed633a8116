// TerminalColour: whether diagnostics are coloured, decided as compilers decide it.
#pragma once

namespace kv::host {

enum class ColourChoice { Auto, Always, Never };

// The decision: always, never, or (auto) on a terminal when NO_COLOR is unset or empty.
// noColour is NO_COLOR's value, null when it is unset.
bool ColourWanted(ColourChoice choice, bool terminal, const char* noColour);

// ColourWanted for what is written to a standard stream (1 output, 2 error; 0 a file, which
// is no terminal), with this process's environment. On Windows a console that is to show
// colour is switched to reading the escape sequences; one that cannot leaves auto uncoloured.
bool ColourForStream(ColourChoice choice, int stream);

}  // namespace kv::host
