// FuzzHost: the host data of one fuzz input. The input is a recipe followed by sections; each
// section becomes a table row, or the host's function or variable table:
//
//   <recipe text>
//   @@<database>/<table>[!]     one row of that table; "!" makes the row unusable
//   @@+<database>/<table>       a row of a new table of that name, after the earlier one
//   @@?<database>/<table>       taken literally, so unknown databases and tables are reachable
//   @@host/functions            [{"name","fullName","functionNo","devIndex","methodPath"}]
//   @@host/midVariables         [{"fullName","devId","sensorPath"}]
//
// A database may be written lc, vm or sys. A header that names no table the loader knows picks
// one of them from its bytes, so that mutated headers still reach the loader.
#pragma once

#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ICFunction.h"
#include "support/TestHost.h"

namespace kv::fuzz {

struct Section {
    std::string header;  // the marker line without "@@", trimmed
    std::string body;
};

// The recipe (text before the first marker line) and at most maxSections sections.
struct SplitInput {
    std::string recipe;
    std::vector<Section> sections;
};
SplitInput SplitSections(std::string_view input, size_t maxSections);

// The host's in-memory store filled from one input.
class FuzzHost : public kv::test::TestData {
public:
    explicit FuzzHost(std::string_view input);

    const std::string& Recipe() const { return recipe_; }
    // Every row as it was built, in input order.
    struct RowCopy {
        kv::host::BundleTable* table;
        std::string key;
        std::string text;
        bool valid;
    };
    const std::vector<RowCopy>& Rows() const { return rows_; }

private:
    void AddSection(const Section& section, size_t index);
    void AddFunctions(const std::string& json);
    void AddMidVariables(const std::string& json);

    std::string recipe_;
    std::vector<RowCopy> rows_;
    // The table that rows of (database, name) go to until a "+" header starts another.
    std::map<std::pair<std::string, std::string>, kv::host::BundleTable*> current_;
};

}  // namespace kv::fuzz
