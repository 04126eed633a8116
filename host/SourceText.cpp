// SourceText: indexes the line starts of a recipe once.
#include "host/SourceText.h"

#include "arbor/TextEncoding.h"

namespace kv::host {

SourceText::SourceText(std::string name, std::string text)
    : name_(std::move(name)), text_(std::move(text)) {
    std::size_t start = 0;
    // Columns on the first line count from after a byte-order mark, so the caret must too.
    if (kPlatformRecipeEncoding == RecipeEncoding::Utf8 && text_.starts_with("\xEF\xBB\xBF")) {
        start = 3;
    }
    while (start < text_.size()) {
        lineStarts_.push_back(start);
        const std::size_t newline = text_.find('\n', start);
        if (newline == std::string::npos) break;
        start = newline + 1;
    }
}

std::string_view SourceText::Line(int n) const {
    if (n < 1 || n > LineCount()) return {};
    const std::size_t start = lineStarts_[static_cast<std::size_t>(n - 1)];
    std::size_t end = text_.find('\n', start);
    if (end == std::string::npos) end = text_.size();
    if (end > start && text_[end - 1] == '\r') --end;
    return std::string_view(text_).substr(start, end - start);
}

}  // namespace kv::host
