// TextEncoding: tells where each character of UTF-8 or GBK text ends, rejecting malformed bytes.
#include "arbor/TextEncoding.h"

#include <cstdint>

namespace {

uint8_t ByteAt(std::string_view text, size_t pos) { return static_cast<uint8_t>(text[pos]); }

bool InRange(std::string_view text, size_t pos, uint8_t low, uint8_t high) {
    if (pos >= text.size()) return false;
    const uint8_t b = ByteAt(text, pos);
    return b >= low && b <= high;
}

// Follows the table of well-formed sequences: the second byte's range depends on the lead so that
// overlong forms, surrogates and code points above U+10FFFF are refused.
size_t Utf8Length(std::string_view text, size_t pos) {
    const uint8_t lead = ByteAt(text, pos);
    if (lead < 0x80) return 1;
    uint8_t secondLow = 0x80;
    uint8_t secondHigh = 0xBF;
    size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) secondLow = 0xA0;
        if (lead == 0xED) secondHigh = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) secondLow = 0x90;
        if (lead == 0xF4) secondHigh = 0x8F;
    } else {
        return 0;
    }
    if (!InRange(text, pos + 1, secondLow, secondHigh)) return 0;
    for (size_t i = 2; i < length; ++i) {
        if (!InRange(text, pos + i, 0x80, 0xBF)) return 0;
    }
    return length;
}

size_t GbkLength(std::string_view text, size_t pos) {
    const uint8_t lead = ByteAt(text, pos);
    if (lead < 0x80) return 1;
    if (lead == 0x80 || lead == 0xFF) return 0;
    if (InRange(text, pos + 1, 0x40, 0x7E) || InRange(text, pos + 1, 0x80, 0xFE)) return 2;
    return 0;
}

}  // namespace

size_t WellFormedCharLength(std::string_view text, size_t pos, RecipeEncoding encoding) {
    if (pos >= text.size()) return 0;
    return encoding == RecipeEncoding::Gbk ? GbkLength(text, pos) : Utf8Length(text, pos);
}

size_t FirstMalformedByte(std::string_view text, RecipeEncoding encoding) {
    for (size_t pos = 0; pos < text.size();) {
        const size_t length = WellFormedCharLength(text, pos, encoding);
        if (length == 0) return pos;
        pos += length;
    }
    return std::string_view::npos;
}
