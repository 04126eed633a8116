// UnitIndex: looks up each ending of a quantity among the unit names.
#include "data/UnitIndex.h"

#include <algorithm>
#include <functional>

UnitIndex::UnitIndex(std::span<const CUnit> units) : units_(units) {
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto at = static_cast<std::uint32_t>(i);
        if (!units[i].srcename.empty()) byEnglish_[units[i].srcename].push_back(at);
        if (!units[i].srccname.empty()) byChinese_[units[i].srccname].push_back(at);
    }
    for (const Positions* names : {&byEnglish_, &byChinese_}) {
        for (const auto& entry : *names) lengths_.push_back(entry.first.size());
    }
    std::sort(lengths_.begin(), lengths_.end(), std::greater<>());
    lengths_.erase(std::unique(lengths_.begin(), lengths_.end()), lengths_.end());
    firstBytes_.resize(lengths_.size());
    for (const Positions* names : {&byEnglish_, &byChinese_}) {
        for (const auto& entry : *names) {
            const auto length = std::lower_bound(lengths_.begin(), lengths_.end(),
                                                 entry.first.size(), std::greater<>());
            const auto first = static_cast<unsigned char>(entry.first.front());
            firstBytes_[static_cast<std::size_t>(length - lengths_.begin())].set(first);
        }
    }
}

const CUnit* UnitIndex::FindEnding(std::string_view text, std::size_t& position,
                                   const std::string*& name) const {
    // Where a name occurs first, as the table walk finds it: after the first byte only.
    const auto firstAfterStart = [text](std::string_view unitName) {
        const std::size_t at = text.find(unitName);
        return at != std::string_view::npos && at > 0 ? at : std::string_view::npos;
    };
    // Longest ending first: the first length with a match holds the winner. Only the lengths of
    // names can match, from the longest that leaves a byte before the ending: no more lengths
    // than the text has bytes.
    if (text.empty()) return nullptr;
    const auto longest =
        std::lower_bound(lengths_.begin(), lengths_.end(), text.size() - 1, std::greater<>());
    for (auto next = longest; next != lengths_.end(); ++next) {
        const std::size_t length = *next;
        const std::size_t start = text.size() - length;
        const std::string_view ending = text.substr(start);
        const auto index = static_cast<std::size_t>(next - lengths_.begin());
        if (!firstBytes_[index].test(static_cast<unsigned char>(ending.front()))) continue;
        // A name that occurs before this ending matches there, and so does not end the text.
        if (text.find(ending) != start) continue;
        std::uint32_t best = UINT32_MAX;
        bool bestIsEnglish = false;
        if (const auto english = byEnglish_.find(ending); english != byEnglish_.end()) {
            best = english->second.front();
            bestIsEnglish = true;
        }
        if (const auto chinese = byChinese_.find(ending); chinese != byChinese_.end()) {
            for (const std::uint32_t at : chinese->second) {
                if (at >= best) break;
                // The Chinese name counts only for a unit whose English name matches nowhere.
                if (firstAfterStart(units_[at].srcename) == std::string_view::npos) {
                    best = at;
                    bestIsEnglish = false;
                    break;
                }
            }
        }
        if (best == UINT32_MAX) continue;
        position = start;
        name = bestIsEnglish ? &units_[best].srcename : &units_[best].srccname;
        return &units_[best];
    }
    return nullptr;
}
