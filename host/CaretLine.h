// CaretLine: a source line as a terminal shows it safely, and the caret under a byte column.
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
std::string CaretLine(std::string_view line, int column);

}  // namespace kv::host
