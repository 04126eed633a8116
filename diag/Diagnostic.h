// Diagnostic: the one message mechanism of every subsystem. Each subsystem keeps a table of
// whole sentences (a .def file of KV_DIAG rows, expanded by diag/DefineTable.inc); a sentence
// has numbered slots %0 to %9 that a call fills with the offending names and values, and the
// number of values a call passes is checked against the sentence when it compiles.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace kv::diag {

// The level of every numbered error the library reports.
inline constexpr int kError = 3;

// One past the highest slot of format: 2 for "a %0 b %1". "%%" writes one "%".
consteval int SlotCount(std::string_view format) {
    int count = 0;
    for (std::size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] != '%') continue;
        const char next = format[i + 1];
        if (next >= '0' && next <= '9' && next - '0' + 1 > count) count = next - '0' + 1;
        ++i;
    }
    return count;
}

// A catalog row whose sentence has Slots slots. code is the row's number (an error code, or
// for texts that are no numbered error the status or 0 the table says), level the level it is
// reported or printed at.
template <int Slots>
struct Message {
    const char* name;
    int code;
    int level;
    const char* format;
};

// Any row, as a whole-table walk sees it.
struct Row {
    const char* name;
    int code;
    int level;
    const char* format;
    int slots;
};

// format with every %N replaced by values[N] and "%%" by "%".
inline std::string Fill(std::string_view format, std::span<const std::string_view> values) {
    // Sized once for a format that names each value once, as the catalogs' do; the text between
    // the slots goes in as whole runs.
    std::size_t size = format.size();
    for (const std::string_view value : values) size += value.size();
    std::string text;
    text.reserve(size);
    std::size_t i = 0;
    while (i < format.size()) {
        const std::size_t percent = std::min(format.find('%', i), format.size());
        text += format.substr(i, percent - i);
        if (percent + 1 >= format.size()) {
            // No slot is left, or the format ends in a lone "%", which stays.
            text += format.substr(percent);
            break;
        }
        const char next = format[percent + 1];
        if (next >= '0' && next <= '9' && static_cast<std::size_t>(next - '0') < values.size()) {
            text += values[static_cast<std::size_t>(next - '0')];
        } else if (next == '%') {
            text += '%';
        } else {
            text += '%';
            text += next;
        }
        i = percent + 2;
    }
    return text;
}

// The sentence of message with its slots filled, one value per slot.
template <int Slots, typename... Values>
requires(sizeof...(Values) == Slots) std::string
    Text(const Message<Slots>& message, const Values&... values) {
    const std::array<std::string_view, Slots> views{std::string_view(values)...};
    return Fill(message.format, views);
}

}  // namespace kv::diag
