// SourceText: indexes the line starts of a recipe once.
#include "host/SourceText.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "host/HostText.h"

namespace kv::host {
namespace {

std::vector<std::size_t> LineStarts(const std::string& text) {
    std::vector<std::size_t> starts;
    std::size_t start = 0;
    // Columns on the first line count from after a byte-order mark, so the caret must too.
    if (kPlatformRecipeEncoding == RecipeEncoding::Utf8 && text.starts_with("\xEF\xBB\xBF")) {
        start = 3;
    }
    while (start < text.size()) {
        starts.push_back(start);
        const std::size_t newline = text.find('\n', start);
        if (newline == std::string::npos) break;
        start = newline + 1;
    }
    return starts;
}

}  // namespace

SourceText::SourceText(std::string name, std::string text)
    : name_(std::move(name)),
      text_(std::make_shared<const std::string>(std::move(text))),
      lineStarts_(LineStarts(*text_)) {
    if (kHostTextIsGbk) {
        display_ = FromHostText(*text_);
        displayStarts_ = LineStarts(display_);
    }
}

std::string_view SourceText::LineOf(const std::string& text, int n) const {
    const std::vector<std::size_t>& starts = &text == text_.get() ? lineStarts_ : displayStarts_;
    if (n < 1 || n > static_cast<int>(starts.size())) return {};
    const std::size_t start = starts[static_cast<std::size_t>(n - 1)];
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (end > start && text[end - 1] == '\r') --end;
    return std::string_view(text).substr(start, end - start);
}

std::string_view SourceText::Line(int n) const {
    return LineOf(kHostTextIsGbk ? display_ : *text_, n);
}

int SourceText::DisplayColumn(int line, int column) const {
    if (!kHostTextIsGbk || column < 1) return column;
    const std::string_view hostLine = LineOf(*text_, line);
    const auto before = static_cast<std::size_t>(column - 1);
    // Past the end of the line, the column keeps its distance from the end.
    const std::size_t within = std::min(before, hostLine.size());
    return static_cast<int>(FromHostText(hostLine.substr(0, within)).size() + (before - within)) +
           1;
}

}  // namespace kv::host
