// SourceText: a recipe's text with its line starts, so that any line is found in place.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kv::host {

class SourceText {
public:
    // name is how diagnostics call the file (the path as the user gave it); text is the recipe
    // in the host's encoding, as the parser reads it.
    SourceText(std::string name, std::string text);

    const std::string& Name() const { return name_; }
    // The text in the host's encoding.
    const std::string& Text() const { return *text_; }
    // The same text, for a parse whose trees view it rather than copy it.
    const std::shared_ptr<const std::string>& SharedText() const { return text_; }
    // The number of lines; a final line break does not start another line.
    int LineCount() const { return static_cast<int>(lineStarts_.size()); }
    // Line n (1-based) in UTF-8, without its line break (LF or CR LF); empty when out of range.
    // Line 1 starts after a UTF-8 byte-order mark, where the parser starts counting its
    // columns.
    std::string_view Line(int n) const;
    // The 1-based byte column in Line(line) of the character at byte column `column` of the
    // host's text, where the parser and the library count. The same column on Linux; past the
    // line's end it keeps its distance from the end.
    int DisplayColumn(int line, int column) const;

private:
    // Line n of text, which has the same lines as text_ (line breaks are ASCII in both).
    std::string_view LineOf(const std::string& text, int n) const;

    std::string name_;
    std::shared_ptr<const std::string> text_;  // never null
    std::string display_;  // text_ in UTF-8, for a host whose encoding is not; else empty
    std::vector<std::size_t> lineStarts_;
    std::vector<std::size_t> displayStarts_;
};

}  // namespace kv::host
