// SourceText: a recipe's text with its line starts, so that any line is found in place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kv::host {

class SourceText {
public:
    // name is how diagnostics call the file (the path as the user gave it).
    SourceText(std::string name, std::string text);

    const std::string& Name() const { return name_; }
    const std::string& Text() const { return text_; }
    // The number of lines; a final line break does not start another line.
    int LineCount() const { return static_cast<int>(lineStarts_.size()); }
    // Line n (1-based) without its line break (LF or CR LF); empty when out of range. Line 1
    // starts after a UTF-8 byte-order mark, where the parser starts counting its columns.
    std::string_view Line(int n) const;

private:
    std::string name_;
    std::string text_;
    std::vector<std::size_t> lineStarts_;
};

}  // namespace kv::host
