// CommonMethod: small text, number and byte helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Released with a plain delete, so it holds no state that needs destruction.
class CommonMethod {
public:
    // The pieces between every occurrence of separator; at most limit pieces when limit > 0
    // (the last piece then holds the rest), no limit when limit is -1.
    std::vector<std::string> Split(const std::string& text, const std::string& separator,
                                   int limit);
    // Trims white space at both ends and lower-cases ASCII letters, in place.
    void NormalizeText(std::string& text);
    // text with every occurrence of from replaced by to (from empty: text unchanged).
    std::string Replace(const std::string& text, const std::string& from, const std::string& to);
    // printf-style formatting into a new string.
    std::string Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Fills codes with one code per byte of text (0-255); CodesToString reverses it.
    void StringToCodes(const std::string& text, std::vector<int>& codes);
    // Appends length bytes from data to out.
    void AppendBytes(const uint8_t* data, size_t length, std::vector<uint8_t>& out);
    // True when text is one or more ASCII digits and nothing else.
    bool IsDigits(const std::string& text);
    // True when text is an optional sign followed by one or more decimal digits.
    bool IsNumber(const std::string& text);
    // True when text is an optional sign, digits, a '.', and digits (at least one on each side).
    bool IsFloat(const std::string& text);
    // The text back from codes made by StringToCodes.
    std::string CodesToString(const std::vector<int>& codes);
    // A size figure never below the text's MessagePack encoding with its NUL byte.
    int GetStringSize(const std::string& text);
};

CommonMethod* newCommonMethod();
