// GbkCodec: the conversions through the platform's own tables (iconv's CP936 on Linux, code
// page 936 on Windows), so that both builds agree with what Windows hosts write.
#include "utilo/GbkCodec.h"

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace kv::gbk {
namespace {

enum class Direction { ToUtf8, FromUtf8 };

#ifdef _WIN32

constexpr UINT kGbkCodePage = 936;

std::optional<std::wstring> Widen(std::string_view text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
    return wide;
}

std::optional<std::string> Narrow(const std::wstring& wide, UINT codePage) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    // Only code page 936 can lack a character; UTF-8 holds them all and takes no default.
    BOOL usedDefault = FALSE;
    BOOL* defaulted = codePage == CP_UTF8 ? nullptr : &usedDefault;
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length =
        WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, defaulted);
    if (length <= 0 || usedDefault) return std::nullopt;
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, text.data(), length, nullptr,
                        defaulted);
    return usedDefault ? std::nullopt : std::optional<std::string>(std::move(text));
}

std::optional<std::string> ConvertWhole(std::string_view text, Direction direction) {
    const UINT from = direction == Direction::ToUtf8 ? kGbkCodePage : CP_UTF8;
    const UINT to = direction == Direction::ToUtf8 ? CP_UTF8 : kGbkCodePage;
    std::optional<std::wstring> wide = Widen(text, from);
    if (!wide) return std::nullopt;
    return Narrow(*wide, to);
}

// The length of the character starting at pos as the source encoding frames it; a malformed
// lead still takes one byte, and the conversion of that byte then fails.
std::size_t CharLength(std::string_view text, std::size_t pos, Direction direction) {
    const auto lead = static_cast<std::uint8_t>(text[pos]);
    std::size_t length = 1;
    if (direction == Direction::ToUtf8) {
        if (lead >= 0x81 && lead <= 0xFE) length = 2;
    } else if (lead >= 0xF0) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = 3;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    return length <= text.size() - pos ? length : text.size() - pos;
}

Converted Convert(std::string_view text, Direction direction) {
    if (std::optional<std::string> whole = ConvertWhole(text, direction)) return {*whole, {}};
    // Character by character, to tell where the text stops being convertible.
    Converted result;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = CharLength(text, pos, direction);
        std::optional<std::string> piece = ConvertWhole(text.substr(pos, length), direction);
        if (!piece) {
            result.failedAt = pos;
            return result;
        }
        result.text += *piece;
        pos += length;
    }
    // Every character converts alone but not all together: blame the end.
    result.failedAt = text.size();
    return result;
}

#else

Converted Convert(std::string_view text, Direction direction) {
    const char* to = direction == Direction::ToUtf8 ? "UTF-8" : "CP936";
    const char* from = direction == Direction::ToUtf8 ? "CP936" : "UTF-8";
    Converted result;
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        result.failedAt = 0;
        return result;
    }
    // GBK takes at most two bytes for a character UTF-8 writes in three or four, and UTF-8
    // at most three for GBK's two.
    result.text.resize(text.size() * 2 + 4);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* out = result.text.data();
    std::size_t outLeft = result.text.size();
    if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
        result.failedAt = static_cast<std::size_t>(in - text.data());
    }
    iconv_close(converter);
    result.text.resize(result.text.size() - outLeft);
    return result;
}

#endif

// Both encodings write ASCII as it is, and most texts are ASCII.
bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<std::uint8_t>(c) >= 0x80) return false;
    }
    return true;
}

}  // namespace

Converted ToUtf8(std::string_view gbk) {
    if (IsAscii(gbk)) return {std::string(gbk), {}};
    return Convert(gbk, Direction::ToUtf8);
}

Converted FromUtf8(std::string_view utf8) {
    if (IsAscii(utf8)) return {std::string(utf8), {}};
    return Convert(utf8, Direction::FromUtf8);
}

}  // namespace kv::gbk
