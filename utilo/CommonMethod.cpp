// CommonMethod: text, number and byte helpers.
#include "utilo/CommonMethod.h"

#include <cstdarg>
#include <cstdio>

namespace {

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Index just past an optional sign and a run of at least one digit from pos, or npos.
size_t SkipSignedDigits(const std::string& text, size_t pos) {
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    const size_t start = pos;
    while (pos < text.size() && IsAsciiDigit(text[pos])) ++pos;
    return pos == start ? std::string::npos : pos;
}

}  // namespace

std::vector<std::string> CommonMethod::Split(const std::string& text, const std::string& separator,
                                             int limit) {
    std::vector<std::string> pieces;
    if (separator.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    size_t start = 0;
    for (;;) {
        if (limit > 0 && static_cast<int>(pieces.size()) == limit - 1) break;
        const size_t hit = text.find(separator, start);
        if (hit == std::string::npos) break;
        pieces.push_back(text.substr(start, hit - start));
        start = hit + separator.size();
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

void CommonMethod::NormalizeText(std::string& text) {
    size_t first = 0;
    while (first < text.size() && IsSpace(text[first])) ++first;
    size_t last = text.size();
    while (last > first && IsSpace(text[last - 1])) --last;
    text = text.substr(first, last - first);
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
}

std::string CommonMethod::Replace(const std::string& text, const std::string& from,
                                  const std::string& to) {
    if (from.empty()) return text;
    std::string result;
    result.reserve(text.size());
    size_t start = 0;
    for (size_t hit; (hit = text.find(from, start)) != std::string::npos; start = hit + from.size()) {
        result.append(text, start, hit - start);
        result += to;
    }
    result.append(text, start, std::string::npos);
    return result;
}

std::string CommonMethod::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string result;
    if (length > 0) {
        result.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(result.data(), result.size(), format, args);
        result.resize(static_cast<size_t>(length));
    }
    va_end(args);
    return result;
}

void CommonMethod::StringToCodes(const std::string& text, std::vector<int>& codes) {
    codes.clear();
    codes.reserve(text.size());
    for (const char c : text) codes.push_back(static_cast<unsigned char>(c));
}

void CommonMethod::AppendBytes(const uint8_t* data, size_t length, std::vector<uint8_t>& out) {
    if (data == nullptr || length == 0) return;
    out.insert(out.end(), data, data + length);
}

bool CommonMethod::IsDigits(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (!IsAsciiDigit(c)) return false;
    }
    return true;
}

bool CommonMethod::IsNumber(const std::string& text) {
    return SkipSignedDigits(text, 0) == text.size();
}

bool CommonMethod::IsFloat(const std::string& text) {
    const size_t dot = SkipSignedDigits(text, 0);
    if (dot == std::string::npos || dot >= text.size() || text[dot] != '.') return false;
    size_t pos = dot + 1;
    const size_t fraction = pos;
    while (pos < text.size() && IsAsciiDigit(text[pos])) ++pos;
    return pos > fraction && pos == text.size();
}

std::string CommonMethod::CodesToString(const std::vector<int>& codes) {
    std::string text;
    text.reserve(codes.size());
    for (const int code : codes) text.push_back(static_cast<char>(code & 0xFF));
    return text;
}

int CommonMethod::GetStringSize(const std::string& text) {
    // The text, its NUL byte, and the largest MessagePack string header (str32: 5 bytes).
    return static_cast<int>(text.size()) + 1 + 5;
}

CommonMethod* newCommonMethod() { return new CommonMethod(); }
