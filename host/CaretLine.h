// CaretLine: the line that puts a caret under a byte column of a source line.
#pragma once

#include <string>
#include <string_view>

namespace kvhost {

// The padding and caret for 1-based byte column `column` of `line`. Tabs stay tabs so the
// caret lines up whatever the tab width; every other character before the column becomes as
// many spaces as the terminal shows it wide (two for CJK characters, whose UTF-8 form is
// three bytes). A column past the end of the line puts the caret just after it.
std::string CaretLine(std::string_view line, int column);

}  // namespace kvhost
