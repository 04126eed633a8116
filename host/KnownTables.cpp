// KnownTables: the table of what the library reads from a bundle, and typo distance over it.
#include "host/KnownTables.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace kv::host {
namespace {

// Kept in step with what the library's data loader dispatches on; each list in byte order.
constexpr std::array<std::string_view, 11> kLocalTables = {"appConfig",
                                                           "bsType",
                                                           "functionParasValueDes",
                                                           "ingredient",
                                                           "logicInfo",
                                                           "logicTaskRelated",
                                                           "oral",
                                                           "par",
                                                           "resource",
                                                           "unit",
                                                           "variableValueDes"};
// appPar and taskInfo are also the tables the library writes back.
constexpr std::array<std::string_view, 6> kVmTables = {
    "appObject", "appPar", "appVariable", "defaultData", "expandContent", "taskInfo"};
constexpr std::array<std::string_view, 1> kSystemTables = {"compileConfigure"};

constexpr std::array<KnownDatabase, 3> kDatabases = {{
    {"appParameterDataLc", kLocalTables},
    {"appParameterDataVm", kVmTables},
    {"systemParameterDataLc", kSystemTables},
}};

constexpr std::array<std::string_view, 3> kDatabaseNames = {kDatabases[0].name, kDatabases[1].name,
                                                            kDatabases[2].name};

// Optimal string alignment distance: insertions, deletions, substitutions and swaps of two
// neighbouring bytes each cost one.
std::size_t EditDistance(std::string_view a, std::string_view b) {
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

}  // namespace

std::span<const KnownDatabase> KnownDatabases() { return kDatabases; }

std::span<const std::string_view> KnownDatabaseNames() { return kDatabaseNames; }

const KnownDatabase* FindKnownDatabase(std::string_view name) {
    for (const KnownDatabase& database : kDatabases) {
        if (database.name == name) return &database;
    }
    return nullptr;
}

bool IsKnownTable(const KnownDatabase& database, std::string_view table) {
    return std::find(database.tables.begin(), database.tables.end(), table) !=
           database.tables.end();
}

std::string NearestName(std::string_view name, std::span<const std::string_view> candidates) {
    std::string_view best;
    std::size_t bestDistance = 0;
    for (const std::string_view candidate : candidates) {
        // A third of the shorter name may be wrong, at least one byte: "par" for "pat", but
        // not "par" for "abc".
        const std::size_t limit =
            std::max<std::size_t>(1, std::min(name.size(), candidate.size()) / 3);
        const std::size_t distance = EditDistance(name, candidate);
        if (distance <= limit && (best.empty() || distance < bestDistance)) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return std::string(best);
}

}  // namespace kv::host
