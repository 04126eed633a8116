// TextPositions: line starts and character counting.
#include "tools/kvc/lsp/TextPositions.h"

#include <algorithm>

namespace kv::lsp {

std::size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    return 1;
}

namespace {

// The UTF-16 code units of the character of `length` bytes: a four-byte character lies
// outside the basic plane and takes a surrogate pair.
int Utf16Units(std::size_t length) { return length == 4 ? 2 : 1; }

}  // namespace

DocumentText::DocumentText(std::string text) : text_(std::move(text)) { IndexLines(); }

void DocumentText::IndexLines() {
    starts_.clear();
    std::size_t start = text_.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    starts_.push_back(start);
    for (std::size_t newline = text_.find('\n', start); newline != std::string::npos;
         newline = text_.find('\n', newline + 1)) {
        starts_.push_back(newline + 1);
    }
}

std::string_view DocumentText::Line(int n) const {
    if (n < 0 || n >= LineCount()) return {};
    const std::size_t start = starts_[static_cast<std::size_t>(n)];
    std::size_t end =
        n + 1 < LineCount() ? starts_[static_cast<std::size_t>(n) + 1] - 1 : text_.size();
    if (end > start && text_[end - 1] == '\r') --end;
    return std::string_view(text_).substr(start, end - start);
}

std::size_t DocumentText::LineStart(int n) const {
    if (n < 0) return 0;
    if (n >= LineCount()) return text_.size();
    return starts_[static_cast<std::size_t>(n)];
}

std::size_t DocumentText::ByteInLine(int line, int character, PositionEncoding encoding) const {
    const std::string_view text = Line(line);
    if (character <= 0) return 0;
    if (encoding == PositionEncoding::Utf8) {
        return std::min(static_cast<std::size_t>(character), text.size());
    }
    std::size_t byte = 0;
    int units = 0;
    while (byte < text.size() && units < character) {
        const std::size_t length =
            std::min(Utf8Length(static_cast<unsigned char>(text[byte])), text.size() - byte);
        units += Utf16Units(length);
        byte += length;
    }
    return byte;
}

int DocumentText::CharacterOf(int line, std::size_t byte, PositionEncoding encoding) const {
    const std::string_view text = Line(line);
    byte = std::min(byte, text.size());
    if (encoding == PositionEncoding::Utf8) return static_cast<int>(byte);
    int units = 0;
    for (std::size_t at = 0; at < byte;) {
        const std::size_t length =
            std::min(Utf8Length(static_cast<unsigned char>(text[at])), text.size() - at);
        units += Utf16Units(length);
        at += length;
    }
    return units;
}

std::size_t DocumentText::Offset(Position position, PositionEncoding encoding) const {
    if (position.line >= LineCount()) return text_.size();
    if (position.line < 0) return 0;
    const std::size_t start = LineStart(position.line);
    // A character past the line's end stays on the line, as the protocol asks.
    return start + ByteInLine(position.line, position.character, encoding);
}

void DocumentText::Replace(std::size_t from, std::size_t to, std::string_view text) {
    from = std::min(from, text_.size());
    to = std::clamp(to, from, text_.size());
    text_.replace(from, to - from, text);
    IndexLines();
}

}  // namespace kv::lsp
