// KnownTables: the table of what the library reads from a bundle, and typo distance over it.
#include "host/KnownTables.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "host/NameFinder.h"

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
