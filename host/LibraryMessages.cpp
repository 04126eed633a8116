// LibraryMessages: reading a filled sentence back into its slots.
#include "host/LibraryMessages.h"

#include <algorithm>
#include <cstddef>

namespace kv::host::library {
namespace {

bool IsSlot(std::string_view format, std::size_t at) {
    return at + 1 < format.size() && format[at] == '%' && format[at + 1] >= '0' &&
           format[at + 1] <= '9';
}

// Matches format from f against text from t. Sentences hold few slots and are short, so
// trying every length of a slot costs little.
bool MatchFrom(std::string_view format, std::size_t f, std::string_view text, std::size_t t,
               std::vector<std::string_view>& slots, std::vector<bool>& filled) {
    while (f < format.size() && !IsSlot(format, f)) {
        // "%%" stands for one "%".
        const std::size_t literal =
            format[f] == '%' && f + 1 < format.size() && format[f + 1] == '%' ? 2 : 1;
        if (t >= text.size() || text[t] != format[f]) return false;
        f += literal;
        ++t;
    }
    if (f == format.size()) return t == text.size();
    const auto slot = static_cast<std::size_t>(format[f + 1] - '0');
    if (filled[slot]) {
        // A slot written twice holds the same value both times.
        if (text.substr(t, slots[slot].size()) != slots[slot]) return false;
        return MatchFrom(format, f + 2, text, t + slots[slot].size(), slots, filled);
    }
    filled[slot] = true;
    const std::size_t rest = text.size() - t;
    // Shortest first, the empty value last.
    for (std::size_t length = 1; length <= rest + 1; ++length) {
        const std::size_t take = length <= rest ? length : 0;
        slots[slot] = text.substr(t, take);
        if (MatchFrom(format, f + 2, text, t + take, slots, filled)) return true;
    }
    filled[slot] = false;
    return false;
}

}  // namespace

std::optional<std::vector<std::string_view>> MatchMessage(std::string_view format,
                                                          std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at + 1 < format.size(); ++at) {
        if (IsSlot(format, at)) count = std::max<std::size_t>(count, format[at + 1] - '0' + 1);
        if (format[at] == '%') ++at;
    }
    std::vector<std::string_view> slots(count);
    std::vector<bool> filled(count, false);
    if (!MatchFrom(format, 0, text, 0, slots, filled)) return std::nullopt;
    return slots;
}

}  // namespace kv::host::library
