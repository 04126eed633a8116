// CaretLine: walks a line character by character, escaping controls and padding by width.
#include "host/CaretLine.h"

#include <cstddef>
#include <cstdint>

namespace kv::host {
namespace {

struct Decoded {
    std::uint32_t codePoint = 0;
    std::size_t length = 0;  // 0 when the bytes at the position are not valid UTF-8
};

Decoded DecodeUtf8(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) return {lead, 1};
    std::size_t length = 0;
    std::uint32_t codePoint = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
    } else {
        return {};
    }
    if (pos + length > text.size()) return {};
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0u) != 0x80u) return {};
        codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    return {codePoint, length};
}

// East Asian wide and fullwidth ranges: the characters a terminal shows two cells wide.
bool IsWide(std::uint32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

// C0 but the tab, DEL, and C1 (which some terminals obey as ESC sequences of their own).
bool IsControl(std::uint32_t c) { return (c < 0x20 && c != '\t') || (c >= 0x7F && c <= 0x9F); }

// One character of a line as the terminal is given it.
struct Shown {
    std::size_t length = 1;  // bytes of the line it stands for
    std::string escape;      // set when the character is shown escaped
    int width = 1;           // cells, when it is shown as it is
};

Shown ShowAt(std::string_view line, std::size_t pos) {
    static constexpr char kHex[] = "0123456789abcdef";
    const Decoded decoded = DecodeUtf8(line, pos);
    Shown shown;
    if (decoded.length == 0) {
        const auto byte = static_cast<unsigned char>(line[pos]);
        shown.escape = {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        return shown;
    }
    shown.length = decoded.length;
    const std::uint32_t c = decoded.codePoint;
    if (IsControl(c)) {
        shown.escape = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
    } else if (IsWide(c)) {
        shown.width = 2;
    }
    return shown;
}

}  // namespace

std::string TerminalText(std::string_view text) {
    std::string shownText;
    shownText.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Shown shown = ShowAt(text, pos);
        if (shown.escape.empty()) {
            shownText.append(text.substr(pos, shown.length));
        } else {
            shownText += shown.escape;
        }
        pos += shown.length;
    }
    return shownText;
}

std::string CaretLine(std::string_view line, int column) {
    std::string caret;
    if (column < 1) return caret;
    std::size_t end = static_cast<std::size_t>(column - 1);
    if (end > line.size()) end = line.size();
    for (std::size_t pos = 0; pos < end;) {
        if (line[pos] == '\t') {
            caret += '\t';
            ++pos;
            continue;
        }
        const Shown shown = ShowAt(line, pos);
        caret.append(
            shown.escape.empty() ? static_cast<std::size_t>(shown.width) : shown.escape.size(),
            ' ');
        pos += shown.length;
    }
    caret += '^';
    return caret;
}

}  // namespace kv::host
