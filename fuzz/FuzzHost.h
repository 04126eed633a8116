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
#include "support/FakeHost.h"

namespace kv::fuzz {

struct TableName {
    const char* database;
    const char* table;
};

// Every table the loader reads, by database.
std::span<const TableName> KnownTables();

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

class FuzzFunction final : public ICFunction {
public:
    FuzzFunction(std::string fullName, std::string methodPath, int functionNo, int devIndex)
        : fullName_(std::move(fullName)), methodPath_(std::move(methodPath)),
          functionNo_(functionNo), devIndex_(devIndex) {}
    int GetDevIndex() override { return devIndex_; }
    int GetFunctionNo() override { return functionNo_; }
    std::string GetFullName() override { return fullName_; }
    std::string GetMethodPath() override { return methodPath_; }

private:
    std::string fullName_;
    std::string methodPath_;
    int functionNo_;
    int devIndex_;
};

class FuzzMidVariable final : public IMidVariable {
public:
    FuzzMidVariable(std::string fullName, std::string sensorPath, int devId)
        : fullName_(std::move(fullName)), sensorPath_(std::move(sensorPath)), devId_(devId) {}
    int GetDevId() override { return devId_; }
    std::string GetFullName() override { return fullName_; }
    std::string GetSensorPath() override { return sensorPath_; }

private:
    std::string fullName_;
    std::string sensorPath_;
    int devId_;
};

// FakeData filled from one input, with function and variable tables of its own.
class FuzzHost : public kv::test::FakeData {
public:
    explicit FuzzHost(std::string_view input);

    void FindMidVariables(const std::string& shortName, std::vector<IMidVariable*>& out) override;
    void FindFunctions(const std::string& shortName, std::vector<ICFunction*>& out) override;
    const std::map<std::string, std::vector<ICFunction*>>& GetFunctionTable() override;

    const std::string& Recipe() const { return recipe_; }
    // Every row as it was built, in input order.
    struct RowCopy {
        kv::test::FakeTable* table;
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
    std::map<std::pair<std::string, std::string>, kv::test::FakeTable*> current_;
    std::vector<std::unique_ptr<FuzzFunction>> functions_;
    std::map<std::string, std::vector<ICFunction*>> functionTable_;
    std::vector<std::unique_ptr<FuzzMidVariable>> midVariables_;
};

// The last dotted piece of a full name.
std::string ShortName(const std::string& fullName);

}  // namespace kv::fuzz
