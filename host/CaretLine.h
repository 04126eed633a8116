// CaretLine: a source line as a terminal shows it safely, the caret and range under it, and
// the line's columns in the units other formats count in.
#pragma once

#include <string>
#include <string_view>

namespace kv::host {

// text with every control character but the tab written as an escape (`\u001b` for C0, DEL and
// the C1 range, `\xff` for a byte that is not UTF-8), so that a recipe or a bundle cannot drive
// the terminal its diagnostics are shown on. Everything else is kept as it is.
std::string TerminalText(std::string_view text);

// The padding and caret for 1-based byte column `column` of `line`, as TerminalText(line)
// shows it. Tabs stay tabs so the caret lines up whatever the tab width; every other character
// before the column becomes as many spaces as the terminal shows it wide (two for CJK
// characters, whose UTF-8 form is three bytes; an escape's length for a control character). A
// column past the end of the line puts the caret just after it.
// With endColumn (one past the range's last byte) beyond column, every further cell of the
// range up to the line's end is drawn '~' (a tab in it stays a tab): `^~~~~`.
std::string CaretLine(std::string_view line, int column, int endColumn = -1);

// The 1-based column in UTF-16 code units of 1-based byte column `column` of line: characters
// beyond U+FFFF count two, a byte that is not UTF-8 one. Past the line's end the column keeps
// its distance from the end.
int Utf16Column(std::string_view line, int column);

// The byte column just after the character at 1-based byte column `column` of line (a byte
// that is not UTF-8 counts as a character); column itself past the line's end.
int NextColumn(std::string_view line, int column);

// text with every byte that is not part of a UTF-8 character replaced by U+FFFD, so that a
// JSON document built from it is UTF-8 throughout.
std::string ValidUtf8(std::string_view text);

}  // namespace kv::host
