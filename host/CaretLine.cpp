// CaretLine: pads to a byte column by displayed width, decoding UTF-8 as it goes.
#include "host/CaretLine.h"

#include <cstddef>
#include <cstdint>

namespace kvhost {
namespace {

struct Decoded {
    std::uint32_t codePoint = 0;
    std::size_t length = 0;  // 0 when the bytes at the position are not valid UTF-8
};

Decoded DecodeUtf8(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
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

}  // namespace

std::string CaretLine(std::string_view line, int column) {
    std::string caret;
    if (column < 1) return caret;
    std::size_t end = static_cast<std::size_t>(column - 1);
    if (end > line.size()) end = line.size();
    std::size_t pos = 0;
    while (pos < end) {
        const char byte = line[pos];
        if (byte == '\t') {
            caret += '\t';
            ++pos;
            continue;
        }
        const Decoded decoded = DecodeUtf8(line, pos);
        if (decoded.length == 0) {
            // ASCII, or a stray byte that a terminal shows as one replacement cell.
            caret += ' ';
            ++pos;
            continue;
        }
        caret.append(IsWide(decoded.codePoint) ? 2 : 1, ' ');
        pos += decoded.length;
    }
    caret += '^';
    return caret;
}

}  // namespace kvhost
