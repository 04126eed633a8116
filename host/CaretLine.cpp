// CaretLine: walks a line character by character, escaping controls and padding by width.
#include "host/CaretLine.h"

#include <algorithm>
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
    // Overlong forms, UTF-16 surrogates and code points past U+10FFFF are no characters.
    static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < kLeast[length] || (codePoint >= 0xD800 && codePoint <= 0xDFFF) ||
        codePoint > 0x10FFFF) {
        return {};
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

namespace {

// Cells the character at pos takes as TerminalText shows it.
std::size_t CellsAt(std::string_view line, std::size_t pos) {
    const Shown shown = ShowAt(line, pos);
    return shown.escape.empty() ? static_cast<std::size_t>(shown.width) : shown.escape.size();
}

std::size_t LengthAt(std::string_view line, std::size_t pos) {
    return line[pos] == '\t' ? 1 : ShowAt(line, pos).length;
}

}  // namespace

std::string CaretLine(std::string_view line, int column, int endColumn) {
    std::string caret;
    if (column < 1) return caret;
    const std::size_t start = static_cast<std::size_t>(column - 1);
    std::size_t pos = 0;
    for (; pos < start && pos < line.size(); pos += LengthAt(line, pos)) {
        if (line[pos] == '\t') {
            caret += '\t';
        } else {
            caret.append(CellsAt(line, pos), ' ');
        }
    }
    caret += '^';
    if (endColumn <= column || pos >= line.size()) return caret;
    const std::size_t end = std::min(static_cast<std::size_t>(endColumn - 1), line.size());
    // The caret stands on the first cell of its character; '~' takes the others.
    for (bool first = true; pos < end; pos += LengthAt(line, pos), first = false) {
        if (line[pos] == '\t') {
            if (!first) caret += '\t';
            continue;
        }
        caret.append(CellsAt(line, pos) - (first ? 1 : 0), '~');
    }
    return caret;
}

int Utf16Column(std::string_view line, int column) {
    if (column < 1) return column;
    const std::size_t end = static_cast<std::size_t>(column - 1);
    int units = 1;
    std::size_t pos = 0;
    while (pos < end && pos < line.size()) {
        const Decoded decoded = DecodeUtf8(line, pos);
        units += decoded.codePoint > 0xFFFF ? 2 : 1;
        pos += decoded.length == 0 ? 1 : decoded.length;
    }
    return units + static_cast<int>(end > pos ? end - pos : 0);
}

int NextColumn(std::string_view line, int column) {
    if (column < 1 || static_cast<std::size_t>(column - 1) >= line.size()) return column;
    const Decoded decoded = DecodeUtf8(line, static_cast<std::size_t>(column - 1));
    return column + static_cast<int>(decoded.length == 0 ? 1 : decoded.length);
}

std::string ValidUtf8(std::string_view text) {
    std::string valid;
    valid.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded decoded = DecodeUtf8(text, pos);
        if (decoded.length == 0) {
            valid += "\xEF\xBF\xBD";
            ++pos;
        } else {
            valid.append(text.substr(pos, decoded.length));
            pos += decoded.length;
        }
    }
    return valid;
}

}  // namespace kv::host
