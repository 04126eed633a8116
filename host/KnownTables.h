// KnownTables: the databases and tables the library reads, and the nearest of them to a typo.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kv::host {

// One database the library reads and the names of the tables it reads from it.
struct KnownDatabase {
    std::string_view name;
    std::span<const std::string_view> tables;
};

// Every database the library reads, in ascending byte order of their names.
std::span<const KnownDatabase> KnownDatabases();

// The names of KnownDatabases(), in the same order.
std::span<const std::string_view> KnownDatabaseNames();

// The known database of that name, or null.
const KnownDatabase* FindKnownDatabase(std::string_view name);

// True when database is known and reads a table of that name.
bool IsKnownTable(const KnownDatabase& database, std::string_view table);

// The candidate nearest to name by edit distance (a swap of two neighbours counts as one
// edit), or empty when none is close enough to be a plausible typo. Ties go to the earlier.
std::string NearestName(std::string_view name, std::span<const std::string_view> candidates);

}  // namespace kv::host
