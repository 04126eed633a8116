// NameFinder: edit distance over characters, and shared characters through an index.
#include "host/NameFinder.h"

#include <tuple>

#include "arbor/TextEncoding.h"

namespace kv::host {

std::u32string FoldedCharacters(std::string_view text) {
    std::u32string characters;
    characters.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        const std::size_t length = WellFormedCharLength(text, pos, RecipeEncoding::Utf8);
        if (length <= 1) {
            characters += static_cast<char32_t>(lead >= 'A' && lead <= 'Z' ? lead + 32 : lead);
            ++pos;
            continue;
        }
        // The lead byte keeps its payload bits; each continuation byte adds six.
        char32_t value = lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            value = (value << 6) | (static_cast<unsigned char>(text[pos + k]) & 0x3F);
        }
        characters += value;
        pos += length;
    }
    return characters;
}

NameFinder::NameFinder(std::vector<std::string_view> names) : names_(std::move(names)) {
    lengths_.reserve(names_.size());
    for (std::uint32_t i = 0; i < names_.size(); ++i) {
        const std::u32string characters = FoldedCharacters(names_[i]);
        lengths_.push_back(static_cast<std::uint32_t>(characters.size()));
        for (std::size_t k = 0; k < characters.size(); ++k) {
            const char32_t c = characters[k];
            if (c < 0x80 || characters.find(c) < k) continue;
            holders_[c].push_back(i);
        }
    }
}

const std::vector<std::string_view>& NameFinder::Nearest(std::string_view wanted) {
    // More choices than this read as a guess rather than a suggestion.
    constexpr std::size_t kMost = 3;
    auto [answer, fresh] = answers_.try_emplace(std::string(wanted));
    if (!fresh) return answer->second;
    const std::u32string folded = FoldedCharacters(wanted);
    if (folded.empty()) return answer->second;
    const std::size_t limit = std::max<std::size_t>(1, folded.size() / 3);

    // Shared characters are counted through the index, so that a name sharing none costs
    // nothing here.
    std::unordered_map<std::uint32_t, std::size_t> shared;
    for (std::size_t k = 0; k < folded.size(); ++k) {
        const char32_t c = folded[k];
        if (c < 0x80 || folded.find(c) < k) continue;
        const auto holders = holders_.find(c);
        if (holders == holders_.end()) continue;
        for (const std::uint32_t index : holders->second) ++shared[index];
    }

    std::vector<Candidate> near;
    for (std::uint32_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == wanted) continue;
        const std::size_t length = lengths_[i];
        const std::size_t gap =
            length > folded.size() ? length - folded.size() : folded.size() - length;
        const auto common = shared.find(i);
        const std::size_t sharedCount = common != shared.end() ? common->second : 0;
        const bool sharesHalf = sharedCount > 0 && 2 * sharedCount >= folded.size();
        // A length gap beyond the limit already takes more changes than allowed.
        if (gap > limit && !sharesHalf) continue;
        const std::size_t distance = EditDistance(folded, FoldedCharacters(names_[i]));
        if (distance <= limit || sharesHalf) near.push_back({distance, sharedCount, i});
    }
    const auto rank = [](const Candidate& c) {
        return std::make_tuple(~c.shared, c.distance, c.index);
    };
    std::sort(near.begin(), near.end(),
              [&](const Candidate& a, const Candidate& b) { return rank(a) < rank(b); });
    for (const Candidate& candidate : near) {
        if (answer->second.size() == kMost || candidate.distance != near.front().distance ||
            candidate.shared != near.front().shared) {
            break;
        }
        answer->second.push_back(names_[candidate.index]);
    }
    return answer->second;
}

}  // namespace kv::host
