// NameFinder: the known names nearest to a name nobody knows, for "did you mean" notes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kv::host {

// Optimal string alignment distance between two sequences: insertions, deletions,
// substitutions and swaps of two neighbours each cost one.
template <typename Sequence>
std::size_t EditDistance(const Sequence& a, const Sequence& b) {
    const std::size_t width = b.size() + 1;
    std::vector<std::size_t> d((a.size() + 1) * width);
    auto at = [&](std::size_t i, std::size_t j) -> std::size_t& { return d[i * width + j]; };
    for (std::size_t i = 0; i <= a.size(); ++i) at(i, 0) = i;
    for (std::size_t j = 0; j <= b.size(); ++j) at(0, j) = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
            }
        }
    }
    return at(a.size(), b.size());
}

// The characters of UTF-8 text, ASCII letters in lower case; a byte that starts no
// well-formed character stands for itself.
std::u32string FoldedCharacters(std::string_view text);

// Finds, among a fixed list of names, those a misspelt name most likely meant. A name is near
// when at most a third of its characters (at least one) must change, a swap of neighbours
// counting as one change, or, for names with non-ASCII characters (Chinese names), when it
// shares at least half of the misspelt name's characters. Letter case does not count.
class NameFinder {
public:
    // names are lent: each must outlive the finder. The index is built here, in one walk.
    explicit NameFinder(std::vector<std::string_view> names);

    // The nearest names, only those as near as the best and at most three, in list order.
    // Nearest means most shared characters first (which only Chinese names share), then
    // fewest changes. A name equal to wanted byte for byte is never offered. Asked twice for
    // the same name, answers from memory.
    const std::vector<std::string_view>& Nearest(std::string_view wanted);

private:
    struct Candidate {
        std::size_t distance;
        std::size_t shared;
        std::uint32_t index;
    };
    std::vector<std::string_view> names_;
    std::vector<std::uint32_t> lengths_;  // in characters
    // Each non-ASCII character -> the names holding it, each once, in list order.
    std::unordered_map<char32_t, std::vector<std::uint32_t>> holders_;
    std::unordered_map<std::string, std::vector<std::string_view>> answers_;
};

}  // namespace kv::host
