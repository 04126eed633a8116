// NameIndex: a hashed view of a name-keyed std::map, so that finding a name costs the name's
// length rather than a descent through a tree of a hundred thousand entries that share their
// first bytes. One flat array of the entries' hashes and pointers to them, built in one walk of
// the map and without an allocation per entry; nothing is copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "utilo/BitSpread.h"
#include "utilo/CachePrefetch.h"

template <typename Value>
class NameIndex {
public:
    using Map = std::map<std::string, Value>;
    using Entry = typename Map::value_type;

    // The entry of map under name, or null. The index is built on the first lookup and again
    // whenever it meets another map or the map's size changed; entries must not be erased and
    // re-added in between (the tables indexed here change only while they load).
    const Entry* Find(const Map& map, std::string_view name) {
        if (&map != map_ || map.size() != size_) Build(map);
        if (slots_.empty()) return nullptr;
        const std::size_t mask = slots_.size() - 1;
        const std::size_t hash = Hash(name);
        for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
            const Slot& at = slots_[slot];
            if (at.entry == nullptr) return nullptr;
            // The hash is compared first, so that an entry is read only when it likely matches:
            // in a large table each entry read is a miss in the cache.
            if (at.hash == hash && at.entry->first == name) return at.entry;
        }
    }

    // For a Find of name that is known to come soon, starts bringing into the cache the slot it
    // reads first, and with entryToo the entry that slot names where the hashes agree (the slot
    // is read for it: best where it was brought in before). Does nothing before the index is
    // built.
    void Prefetch(const Map& map, std::string_view name, bool entryToo) const {
        if (&map != map_ || map.size() != size_ || slots_.empty()) return;
        const std::size_t hash = Hash(name);
        const Slot& slot = slots_[hash & (slots_.size() - 1)];
        if (!entryToo) {
            kv::cache::Prefetch(&slot);
        } else if (slot.entry != nullptr && slot.hash == hash) {
            kv::cache::Prefetch(slot.entry);
        }
    }

private:
    // Names are short (a function, an ingredient, a parameter), and a lookup hashes one for
    // every argument: eight bytes a step, inline, and mixed at the end so that the low bits the
    // mask keeps depend on every byte.
    static std::size_t Hash(std::string_view name) {
        constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
        std::uint64_t hash = name.size() * kMultiplier;
        std::size_t at = 0;
        for (; at + 8 <= name.size(); at += 8) {
            std::uint64_t chunk = 0;
            std::memcpy(&chunk, name.data() + at, 8);
            hash = (hash ^ chunk) * kMultiplier;
            hash ^= hash >> 29;
        }
        if (at < name.size()) {
            // The last bytes, or for a name of eight or more the last eight, read whole.
            std::uint64_t chunk = 0;
            if (name.size() >= 8) {
                std::memcpy(&chunk, name.data() + name.size() - 8, 8);
            } else {
                for (std::size_t i = at; i < name.size(); ++i) {
                    chunk = chunk << 8 | static_cast<unsigned char>(name[i]);
                }
            }
            hash = (hash ^ chunk) * kMultiplier;
        }
        return static_cast<std::size_t>(kv::hash::SpreadBits(hash));
    }

    void Build(const Map& map) {
        // At most half full, so that a probe ends soon; a power of two, so that it wraps by mask.
        std::size_t capacity = 8;
        while (capacity < map.size() * 2) capacity *= 2;
        slots_.assign(capacity, Slot{});
        const std::size_t mask = capacity - 1;
        for (const Entry& entry : map) {
            const std::size_t hash = Hash(entry.first);
            std::size_t slot = hash & mask;
            while (slots_[slot].entry != nullptr) slot = (slot + 1) & mask;
            slots_[slot] = Slot{hash, &entry};
        }
        map_ = &map;
        size_ = map.size();
    }

    struct Slot {
        std::size_t hash = 0;
        const Entry* entry = nullptr;
    };

    const Map* map_ = nullptr;
    std::size_t size_ = 0;
    std::vector<Slot> slots_;
};
