// KvDataUnits: base units, unit names in value texts, conversion, ranges and choices.
#include <cmath>
#include <string_view>

#include "data/DataMessages.h"
#include "data/KvData.h"
#include "utilo/AsciiCase.h"
#include "utilo/NumberText.h"

namespace msg = kv::diag::data;
using kv::diag::NoLine;
using kv::diag::Report;

using kv::text::EqualsInAnyCase;

namespace {

// A quoted literal, a `#` reference or null in any letter case.
bool StandsForAValue(const std::string& text) {
    if (!text.empty() && (text.front() == '"' || text.front() == '#')) return true;
    return EqualsInAnyCase(text, "null");
}

}  // namespace

const std::string& KvData::UnitTypeOf(const std::string& dataType) const {
    static const std::string kNumber = "number";
    if (dataType.empty() || dataType == kNumber || dataType == "numerical") return kNumber;
    return BasicUnitOf(dataType);
}

std::string KvData::GetBasicUnit(const std::string& typeName) const {
    return BasicUnitOf(typeName);
}

const std::string& KvData::BasicUnitOf(const std::string& typeName) const {
    static const std::string kNone;
    if (basicUnitIndexedTypes_ != bsType.size()) {
        basicUnits_.clear();
        // Ascending names and first-wins inserts give the first matching type, as a walk would.
        for (const auto& [name, type] : bsType) {
            basicUnits_.try_emplace(type.name, type.unit);
            basicUnits_.try_emplace(type.nameDesc, type.unit);
            basicUnits_.try_emplace(type.unit, type.unit);
        }
        // The entries are new even where their number is not: the index starts again.
        basicUnitIndex_ = {};
        basicUnitIndexedTypes_ = bsType.size();
    }
    const auto* found = basicUnitIndex_.Find(basicUnits_, typeName);
    return found != nullptr ? found->second : kNone;
}

bool KvData::ParseUnit(const std::string& text, std::pair<size_t, std::string>& found,
                       CUnit& result) const {
    // Position > 0: a unit needs a number in front of it.
    const auto findAfterStart = [&text](const std::string& name) {
        if (name.empty()) return std::string::npos;
        const size_t position = text.find(name);
        return position != std::string::npos && position > 0 ? position : std::string::npos;
    };
    // Two choices run side by side. A name that ends the text is what a quantity is written
    // with, so the longest such name wins (the earlier on a tie): for l, kcal, cal in 2kcal that
    // is kcal. Only when no name ends the text does the table-order rule decide, where a later
    // match wins when its name is longer than the first match's; such a value fails anyway.
    const CUnit* chosen = nullptr;
    size_t chosenPosition = 0;
    const std::string* chosenName = nullptr;
    size_t firstNameLength = 0;
    const CUnit* ending = nullptr;
    size_t endingPosition = 0;
    const std::string* endingName = nullptr;
    for (const CUnit& candidate : unit) {
        const std::string* name = &candidate.srcename;
        size_t position = findAfterStart(*name);
        if (position == std::string::npos) {
            name = &candidate.srccname;
            position = findAfterStart(*name);
        }
        if (position == std::string::npos) continue;
        if (chosen == nullptr) firstNameLength = name->size();
        if (chosen == nullptr || name->size() > firstNameLength) {
            chosen = &candidate;
            chosenPosition = position;
            chosenName = name;
        }
        const bool endsText = position + name->size() == text.size();
        if (endsText && (ending == nullptr || name->size() > endingName->size())) {
            ending = &candidate;
            endingPosition = position;
            endingName = name;
        }
    }
    if (ending != nullptr) {
        chosen = ending;
        chosenPosition = endingPosition;
        chosenName = endingName;
    }
    if (chosen == nullptr) return false;
    found = {chosenPosition, *chosenName};
    result.srcename = chosen->srcename;
    result.srccname = chosen->srccname;
    result.base = chosen->base;
    result.ratio = chosen->ratio;
    result.offset = chosen->offset;
    return true;
}

bool KvData::IntegerOf(const std::string& text, int& out) const {
    if (!commonMethod->IsNumber(text)) return false;
    const std::optional<int> value = kv::number::LeadingInt(text);
    if (!value) return false;
    out = *value;
    return true;
}

bool KvData::NumberOf(const std::string& text, double& out) const {
    int integer = 0;
    if (IntegerOf(text, integer)) {
        out = integer;
    } else if (commonMethod->IsNumber(text) || commonMethod->IsFloat(text)) {
        // Beyond int, or decimal: the float reading, infinite beyond the float range.
        out = typeConvert->ToFloat(text, nullptr);
    } else {
        return false;
    }
    return true;
}

const UnitIndex& KvData::Units() const {
    if (unitIndex_ == nullptr || !unitIndex_->Covers(unit.items)) {
        unitIndex_ = std::make_unique<UnitIndex>(unit.items);
    }
    return *unitIndex_;
}

bool KvData::ParsePublicValue(std::string& value, const std::string& unitType, float& out) const {
    out = 0.0f;
    double number = 0.0;
    if (commonMethod->IsNumber(value) || commonMethod->IsFloat(value)) {
        // A plain number is taken as it stands, in the unit the parameter expects; one
        // beyond the float range is no value at all.
        if (!NumberOf(value, number) || !std::isfinite(number)) return false;
        out = static_cast<float>(number);
        return true;
    }
    // A number type takes numbers only: any other word would silently become a zero. Texts
    // that stand for a value given elsewhere (a quoted literal, a cooking-parameter reference,
    // null) keep being taken as 0, as their callers expect.
    if (unitType == "number") return StandsForAValue(value);
    // Only a unit that ends the value can make it acceptable, and ParseUnit chooses such a
    // unit whenever there is one: the index finds it without walking the table.
    std::size_t position = 0;
    const std::string* name = nullptr;
    const CUnit* ending = Units().FindEnding(value, position, name);
    if (ending == nullptr) return false;
    const std::pair<size_t, std::string> found{position, *name};
    const CUnit& valueUnit = *ending;
    if (valueUnit.base != unitType) return false;
    if (!NumberOf(value.substr(0, found.first), number) || !std::isfinite(number)) return false;
    float converted = static_cast<float>(number);
    if (valueUnit.srcename != unitType) {
        // Single precision, one rounding per operation.
        const float scaled = valueUnit.ratio * converted;
        converted = scaled + valueUnit.offset;
        // A conversion that leaves the float range gives no value at all.
        if (!std::isfinite(converted)) return false;
    }
    out = converted;
    value = kv::number::FixedText(static_cast<double>(converted));
    return true;
}

const KvData::ScopeBounds& KvData::BoundsOf(std::span<const std::string> scope) const {
    ScopeBounds& bounds = scopeBounds_[scope.data()];
    if (bounds.read && bounds.lowText == scope[0] && bounds.highText == scope[1]) return bounds;
    bounds = ScopeBounds{scope[0], scope[1]};
    bounds.read = true;
    // A bound that is no number counts as 0.
    NumberOf(scope[0], bounds.low);
    bounds.open = EqualsInAnyCase(scope[1], "inf");
    if (!bounds.open) NumberOf(scope[1], bounds.high);
    return bounds;
}

bool KvData::CheckScopeValue(double value, std::span<const std::string> scope, IData* host) const {
    if (scope.size() < 2) return false;
    const ScopeBounds& bounds = BoundsOf(scope);
    if (bounds.open) return bounds.low <= value;
    if (bounds.low > bounds.high) {
        Report(host, msg::ScopeBoundsReversed, NoLine());
        return false;
    }
    return bounds.low <= value && value <= bounds.high;
}

bool KvData::CheckSelectValue(std::string& value,
                              const std::map<std::string, std::string>& select) const {
    for (const auto& [key, choice] : select) {
        if (value == key || value == choice) {
            value = choice;
            return true;
        }
    }
    return false;
}
