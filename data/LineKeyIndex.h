// LineKeyIndex: finds the entry of a name-keyed std::map by a line number, for tables keyed by
// line numbers written in decimal ("%d"). Such tables are read line after line, which an array
// indexed by the number serves in order, where a hash of the name would reach into memory at
// random. Nothing is copied: the array holds pointers to the map's entries.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "data/NameIndex.h"

template <typename Value>
class LineKeyIndex {
public:
    using Map = std::map<std::string, Value>;
    using Entry = typename Map::value_type;

    // The entry of map named as number is written, or null. Built on the first lookup and again
    // whenever it meets another map or the map's size changed, as NameIndex is.
    const Entry* Find(const Map& map, int number) {
        if (&map != map_ || map.size() != size_) Build(map);
        if (number >= 0 && static_cast<std::size_t>(number) < byNumber_.size()) {
            return byNumber_[static_cast<std::size_t>(number)];
        }
        // Negative numbers, and numbers beyond the array's bound, are found by their name.
        char digits[16];
        const auto written = std::to_chars(std::begin(digits), std::end(digits), number);
        return byName_.Find(
            map, std::string_view(digits, static_cast<std::size_t>(written.ptr - digits)));
    }

private:
    // The number a name writes in decimal without sign or leading zero, or -1 for any other
    // name: no other name is ever asked for by number.
    static long long NumberOf(const std::string& name) {
        if (name.empty() || name.size() > 10 || (name[0] == '0' && name.size() > 1)) return -1;
        long long number = 0;
        for (const char c : name) {
            if (c < '0' || c > '9') return -1;
            number = number * 10 + (c - '0');
        }
        return number;
    }

    void Build(const Map& map) {
        // The array stays within a few times the table, so that a table whose numbers are
        // sparse costs no more than its hash; numbers past it go by name.
        const std::size_t bound = 2 * map.size() + 1024;
        const auto within = [bound](long long number) {
            return number >= 0 && static_cast<unsigned long long>(number) < bound;
        };
        // Sized once, to the largest number below the bound: grown as numbers come, the array
        // could hold twice the room it uses.
        std::size_t size = 0;
        for (const Entry& entry : map) {
            const long long number = NumberOf(entry.first);
            if (within(number)) size = std::max(size, static_cast<std::size_t>(number) + 1);
        }
        byNumber_.assign(size, nullptr);
        byNumber_.shrink_to_fit();
        for (const Entry& entry : map) {
            const long long number = NumberOf(entry.first);
            if (within(number)) byNumber_[static_cast<std::size_t>(number)] = &entry;
        }
        map_ = &map;
        size_ = map.size();
    }

    const Map* map_ = nullptr;
    std::size_t size_ = 0;
    std::vector<const Entry*> byNumber_;
    NameIndex<Value> byName_;
};
