// NumberText: the one reader of integers in text and the one writer of numbers as text, for
// every subsystem.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace kv::number {

// The integer at the start of text as strtoll reads it in base: leading white space and a sign
// allowed, whatever follows ignored. Empty when there is no digit; a value beyond long long
// saturates, so that a caller can still tell it from an int. end, when given, receives the
// number of bytes read (0 without a digit).
std::optional<long long> LeadingInteger(const std::string& text, int base = 10,
                                        std::size_t* end = nullptr);

// The same integer when it fits an int; empty when there is no digit or it does not fit.
std::optional<int> LeadingInt(const std::string& text, int base = 10, std::size_t* end = nullptr);

// value as printf "%f" writes it: fixed, six decimals ("5000.000000").
std::string FixedText(double value);

// value as a standard output stream writes it by default: six significant digits, no
// trailing zeros, exponent form for large and small magnitudes ("12.5", "1.23457e+06").
std::string StreamText(double value);

}  // namespace kv::number
