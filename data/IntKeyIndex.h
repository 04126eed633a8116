// IntKeyIndex: finds the entry of an int-keyed std::map by an array indexed by the key, for
// tables keyed by line numbers: the recipe asks for them line after line, which the array
// serves in order where a descent through the map would miss the cache at nearly every level.
// Nothing is copied: the array holds pointers to the map's entries.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

template <typename Value>
class IntKeyIndex {
public:
    using Map = std::map<int, Value>;
    using Entry = typename Map::value_type;

    // The entry of map under key, or null. Built on the first lookup and again whenever it
    // meets another map, or the map's size or its first or last entry changed; entries must not
    // be erased and re-added in between otherwise (the tables indexed here are only ever added
    // to, or refilled whole).
    const Entry* Find(const Map& map, int key) {
        if (&map != map_ || map.size() != size_ || Ends(map) != ends_) Build(map);
        if (key >= 0 && static_cast<std::size_t>(key) < bound_) {
            const auto at = static_cast<std::size_t>(key);
            return at < byKey_.size() ? byKey_[at] : nullptr;
        }
        // Negative keys, and keys beyond the array's bound, are found in the map itself.
        const auto found = map.find(key);
        return found != map.end() ? &*found : nullptr;
    }

private:
    using EntryPair = std::pair<const Entry*, const Entry*>;
    static EntryPair Ends(const Map& map) {
        if (map.empty()) return {nullptr, nullptr};
        return {&*map.begin(), &*map.rbegin()};
    }

    void Build(const Map& map) {
        // The array stays within a few times the table, so that sparse keys cost no more than
        // the map; every key below the bound is in the array, so one missing there is absent.
        bound_ = 2 * map.size() + 1024;
        // Sized once, to the largest key below the bound.
        const auto end = map.lower_bound(static_cast<int>(std::min<std::size_t>(bound_, INT_MAX)));
        const std::size_t size = end == map.begin() || std::prev(end)->first < 0
                                     ? 0
                                     : static_cast<std::size_t>(std::prev(end)->first) + 1;
        byKey_.assign(size, nullptr);
        byKey_.shrink_to_fit();
        for (auto entry = map.lower_bound(0); entry != end; ++entry) {
            byKey_[static_cast<std::size_t>(entry->first)] = &*entry;
        }
        map_ = &map;
        size_ = map.size();
        ends_ = Ends(map);
    }

    const Map* map_ = nullptr;
    std::size_t size_ = 0;
    std::size_t bound_ = 0;
    EntryPair ends_;
    std::vector<const Entry*> byKey_;
};
