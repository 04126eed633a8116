// KvAppVmOrder: the order of the VM tables (key hash, then key bytes) and of a task's steps.
#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>

#include "vm/KvAppVmData.h"
#include "vm/KvMethod.h"
#include "vm/VmText.h"

namespace {

// The hash order of the image: ascending signed hash; a collision ("Aa"/"BB") falls back to
// the bytes so that the order never depends on the sort algorithm.
bool KeyLess(const std::string& left, const std::string& right) {
    const std::string& a = ImageText(left);
    const std::string& b = ImageText(right);
    const int32_t hashA = KvMethod::hashCode(a);
    const int32_t hashB = KvMethod::hashCode(b);
    if (hashA != hashB) return hashA < hashB;
    return a < b;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value std::stoi would give (leading blanks and a sign allowed, trailing text ignored),
// or nothing where stoi would throw: no leading number, or a number outside 32 bits.
std::optional<int32_t> StepNumber(const std::string& id) {
    size_t i = 0;
    while (i < id.size() && IsBlank(id[i])) ++i;
    bool negative = false;
    if (i < id.size() && (id[i] == '+' || id[i] == '-')) negative = id[i++] == '-';
    const size_t firstDigit = i;
    // Magnitude capped just past the 32-bit range, so long digit runs cannot overflow it.
    constexpr int64_t kLimit = int64_t{1} << 31;
    int64_t magnitude = 0;
    for (; i < id.size() && id[i] >= '0' && id[i] <= '9'; ++i) {
        magnitude = std::min(magnitude * 10 + (id[i] - '0'), kLimit + 1);
    }
    if (i == firstDigit) return std::nullopt;
    const int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(value);
}

// Sorts records into KeyLess order of keyOf(record), hashing every key once; equal keys keep
// their relative order. The records are moved, never copied.
template <typename Record, typename KeyOf>
void SortByKeyHash(std::vector<Record>& records, KeyOf keyOf) {
#ifdef _WIN32
    // Converted once per record, not once per comparison.
    std::vector<std::string> converted;
    converted.reserve(records.size());
    for (const Record& record : records) converted.push_back(ImageText(keyOf(record)));
    auto key = [&](size_t i) -> const std::string& { return converted[i]; };
#else
    auto key = [&](size_t i) -> const std::string& { return keyOf(records[i]); };
#endif
    struct Entry {
        int32_t hash;
        size_t index;
    };
    std::vector<Entry> order;
    order.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) order.push_back({KvMethod::hashCode(key(i)), i});
    std::sort(order.begin(), order.end(), [&](const Entry& a, const Entry& b) {
        if (a.hash != b.hash) return a.hash < b.hash;
        const int byBytes = key(a.index).compare(key(b.index));
        if (byBytes != 0) return byBytes < 0;
        return a.index < b.index;
    });
    std::vector<Record> sorted;
    sorted.reserve(records.size());
    for (const Entry& entry : order) sorted.push_back(std::move(records[entry.index]));
    records = std::move(sorted);
}

}  // namespace

bool CStepInfo::operator<(const CStepInfo& other) const {
    const std::optional<int32_t> a = StepNumber(id);
    const std::optional<int32_t> b = StepNumber(other.id);
    if (a && b) return *a < *b;
    // Numbered steps first; the rest by their bytes.
    if (a.has_value() != b.has_value()) return a.has_value();
    return id < other.id;
}

bool CAppVmTaskInfo::operator<(const CAppVmTaskInfo& other) const {
    return KeyLess(taskId, other.taskId);
}

bool CAppVmVariable::operator<(const CAppVmVariable& other) const {
    return KeyLess(appKey, other.appKey);
}

bool CAppVmParBin::operator<(const CAppVmParBin& other) const { return KeyLess(key, other.key); }

void KvVmData::Sort() {
    SortByKeyHash(appVariable.items, [](const CAppVmVariable& r) -> const std::string& {
        return r.appKey;
    });
    SortByKeyHash(appTask.items, [](const CAppVmTaskInfo& r) -> const std::string& {
        return r.taskId;
    });
    SortByKeyHash(appPar.items, [](const CAppVmParBin& r) -> const std::string& {
        return r.key;
    });
}
