// NameIndex: a hashed view of a name-keyed std::map, so that finding a name costs the name's
// length instead of a walk down a tree of a hundred thousand entries. It holds iterators into
// the map and copies nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

template <typename Map>
class NameIndex {
public:
    using Iterator = typename Map::const_iterator;

    // The entry of map under name, or map.end(). The index is built on the first lookup and
    // again whenever it meets another map or the map's size changed; entries must not be
    // erased and re-added in between (the tables indexed here change only while loading).
    Iterator Find(const Map& map, std::string_view name) {
        if (&map != map_ || map.size() != size_) Build(map);
        const auto found = index_.find(name);
        return found != index_.end() ? found->second : map.end();
    }

private:
    void Build(const Map& map) {
        index_.clear();
        index_.reserve(map.size());
        for (auto entry = map.begin(); entry != map.end(); ++entry) {
            index_.emplace(std::string_view(entry->first), entry);
        }
        map_ = &map;
        size_ = map.size();
    }

    const Map* map_ = nullptr;
    std::size_t size_ = 0;
    std::unordered_map<std::string_view, Iterator> index_;
};
