// ByteAssert: byte-vector literals and a byte comparison that prints hex dumps on mismatch.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kv::test {

using Bytes = std::vector<uint8_t>;

// Concatenates byte pieces: Join({{0xA1, 0x00}, {0x90}}).
inline Bytes Join(std::initializer_list<Bytes> pieces) {
    Bytes all;
    for (const Bytes& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
    return all;
}

// The bytes of text followed by its NUL.
inline Bytes TextWithNul(const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0x00);
    return bytes;
}

inline std::string HexDump(const Bytes& bytes) {
    std::string dump;
    char cell[32];
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % 16 == 0) {
            std::snprintf(cell, sizeof cell, "%s%04zX:", i == 0 ? "" : "\n", i);
            dump += cell;
        }
        std::snprintf(cell, sizeof cell, " %02X", bytes[i]);
        dump += cell;
    }
    return dump;
}

inline ::testing::AssertionResult SameBytes(const Bytes& expected, const Bytes& actual) {
    if (expected == actual) return ::testing::AssertionSuccess();
    size_t first = 0;
    while (first < expected.size() && first < actual.size() && expected[first] == actual[first]) {
        ++first;
    }
    return ::testing::AssertionFailure()
           << "first difference at byte " << first << " (expected " << expected.size()
           << " bytes, got " << actual.size() << ")\nexpected:\n"
           << HexDump(expected) << "\nactual:\n"
           << HexDump(actual);
}

}  // namespace kv::test
