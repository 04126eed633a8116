// NumberText: strtoll for reading, std::to_chars (printf's text, without its locale and its
// cost) for writing.
#include "utilo/NumberText.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace kv::number {
namespace {

// "%f" of the largest double needs 317 characters.
constexpr std::size_t kMaxNumberText = 400;

std::string ToChars(double value, std::chars_format format) {
    char buffer[kMaxNumberText];
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, format, 6);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::optional<long long> LeadingInteger(const std::string& text, int base, std::size_t* end) {
    const char* start = text.c_str();
    char* stop = nullptr;
    errno = 0;
    const long long value = std::strtoll(start, &stop, base);
    if (end != nullptr) *end = static_cast<std::size_t>(stop - start);
    if (stop == start) return std::nullopt;
    return value;  // saturated at LLONG_MIN or LLONG_MAX on overflow
}

std::optional<int> LeadingInt(const std::string& text, int base, std::size_t* end) {
    const std::optional<long long> value = LeadingInteger(text, base, end);
    if (!value || *value < INT_MIN || *value > INT_MAX) return std::nullopt;
    return static_cast<int>(*value);
}

std::string FixedText(double value) {
    // Recipes mostly give whole numbers; their text is the integer's and six zeros, which costs
    // a fraction of the general conversion. Below 1e15 a whole double is an exact long long;
    // -0.0 keeps its sign only through the general conversion.
    const bool negativeZero = value == 0 && std::signbit(value);
    if (value > -1e15 && value < 1e15 && value == std::trunc(value) && !negativeZero) {
        char buffer[32];
        const std::to_chars_result result =
            std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
        std::string text(buffer, result.ptr);
        text += ".000000";
        return text;
    }
    return ToChars(value, std::chars_format::fixed);
}

std::string StreamText(double value) { return ToChars(value, std::chars_format::general); }

}  // namespace kv::number
