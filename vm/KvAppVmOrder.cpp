// KvAppVmOrder: the order of the VM tables (key hash, then key bytes) and of a task's steps.
#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>

#include "utilo/NumberText.h"
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
    // The numbers std::stoi gives, or none where it would throw.
    const std::optional<int> a = kv::number::LeadingInt(id);
    const std::optional<int> b = kv::number::LeadingInt(other.id);
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
