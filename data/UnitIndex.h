// UnitIndex: the unit a quantity is written with, found in time that grows with the quantity's
// text rather than with the unit table.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/KvAppRecords.h"

class UnitIndex {
public:
    // Indexes units by both their names; units must outlive the index and stay unchanged.
    explicit UnitIndex(std::span<const CUnit> units);

    // The unit a quantity ends with, as KvData::ParseUnit chooses it when its choice ends the
    // text: a unit matches by its English name where that occurs after the first byte, else by
    // its Chinese name; among the matches whose first occurrence ends text, the longest name
    // wins, the earlier unit on a tie. Null when no match ends text; otherwise position and
    // name say where and by which name.
    const CUnit* FindEnding(std::string_view text, std::size_t& position,
                            const std::string*& name) const;

    // Whether the index was built over exactly these units.
    bool Covers(std::span<const CUnit> units) const {
        return units.data() == units_.data() && units.size() == units_.size();
    }

private:
    using Positions = std::unordered_map<std::string_view, std::vector<std::uint32_t>>;

    std::span<const CUnit> units_;
    Positions byEnglish_;  // srcename -> unit positions, ascending
    Positions byChinese_;  // srccname -> unit positions, ascending
    std::vector<std::size_t> lengths_;  // of the names, each once, longest first
    // For each of lengths_, the bytes the names of that length begin with. Most endings of a
    // quantity ("33ml" of "833ml") begin with a byte no name of their length does, and are
    // passed over without a search or a hash.
    std::vector<std::bitset<256>> firstBytes_;
};
