// BundleIndex: what the editor shows of a loaded bundle (functions and their parameters,
// business types, units, ingredients, resources, cooking parameters, variables, tasks), read
// once from the bundle's rows and kept read-only, with the file and line of each entry.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv::host {
class BundleData;
}

namespace kv::lsp {

// Where an entry is written: a bundle file and its 1-based line; an empty file for none.
struct TablePlace {
    std::filesystem::path file;
    int line = 0;
};

struct ParameterInfo {
    std::string name;
    std::string dataType;  // a business type's name, "number", "numerical" or empty
    std::vector<std::string> scope;
    std::vector<std::pair<std::string, std::string>> select;  // choice -> stored value, by key
    bool unchecked = false;                                   // isEmpty 1
};

struct FunctionInfo {
    std::string name;  // the key recipes call it by
    std::string englishName;
    std::vector<ParameterInfo> parameters;  // the group's, when grouped
    bool grouped = false;                   // an array parameter: the list repeats per group
    TablePlace place;

    // The parameter that argument `index` (0-based) is checked against; null past the end.
    const ParameterInfo* ParameterAt(std::size_t index) const;
};

struct BusinessType {
    std::string name;
    std::string description;
    std::string dataType;
    std::string unit;
};

struct UnitInfo {
    std::string name;        // as programs write it
    std::string secondName;  // the Chinese name
    std::string base;
    double ratio = 1;
    double offset = 0;
};

// An ingredient or resource.
struct CodedName {
    std::string name;
    std::string code;
    std::string type;  // resources only
    TablePlace place;
};

struct CookingParameter {
    std::string name;
    std::vector<std::string> values;
    TablePlace place;
};

struct VariableInfo {
    std::string name;
    std::string dataType;
    std::vector<std::string> scope;
    std::vector<std::pair<std::string, std::string>> select;
    TablePlace place;
};

// Ingredients or resources in table order, found by name or code.
struct CodedNames {
    std::vector<CodedName> list;
    std::map<std::string, std::size_t, std::less<>> byName;
    std::map<std::string, std::size_t, std::less<>> byCode;  // the first entry of a code
};

// The unit a quantity text ends with.
struct UnitMatch {
    const UnitInfo* unit = nullptr;
    std::size_t position = 0;  // where the unit's name starts: the number is before it
    std::string name;          // the name it matched by
};

class BundleIndex {
public:
    // Reads the tables of data, whose rows came from the bundle at dir. Each table is read as
    // the analyzer reads it (rows in order; the first ingredient, resource or business type of
    // a name stays, a later function, variable or cooking parameter of a key replaces the
    // earlier); rows that are not JSON are passed over.
    static BundleIndex Build(kv::host::BundleData& data, const std::filesystem::path& dir);

    // The names recipes call functions by (the host's function table), ascending.
    const std::vector<std::string>& CallableNames() const { return callable_; }
    const std::map<std::string, FunctionInfo, std::less<>>& Functions() const { return functions_; }
    const FunctionInfo* FindFunction(std::string_view name) const;

    const BusinessType* FindBusinessType(std::string_view name) const;
    // The base unit of a business type, matched by name, description or unit in name order;
    // empty when none matches.
    std::string BaseUnit(std::string_view typeName) const;
    // The unit an argument of p is written in: "number" for plain numbers, else the base unit
    // of its business type.
    std::string UnitTypeOf(const ParameterInfo& p) const;
    const std::vector<UnitInfo>& Units() const { return units_; }
    // The unit text ends with: a unit matches by its name where that occurs after the first
    // byte, else by its second name; among the matches that end the text the longest name
    // wins, the earlier unit on a tie.
    std::optional<UnitMatch> FindUnit(std::string_view text) const;

    const std::vector<CodedName>& Ingredients() const { return ingredients_.list; }
    const std::vector<CodedName>& Resources() const { return resources_.list; }
    // By name, or else by code.
    const CodedName* FindIngredient(std::string_view text) const;
    const CodedName* FindResource(std::string_view text) const;

    const std::map<std::string, CookingParameter, std::less<>>& CookingParameters() const {
        return cooking_;
    }
    const CookingParameter* FindCookingParameter(std::string_view name) const;
    const std::map<std::string, VariableInfo, std::less<>>& Variables() const { return variables_; }
    const VariableInfo* FindVariable(std::string_view name) const;

    // The task of a recipe line (1-based), empty when the bundle gives it none.
    std::string TaskOfLine(int line) const;

private:
    std::vector<std::string> callable_;
    std::map<std::string, FunctionInfo, std::less<>> functions_;
    std::map<std::string, BusinessType, std::less<>> businessTypes_;
    std::vector<UnitInfo> units_;
    CodedNames ingredients_;
    CodedNames resources_;
    std::map<std::string, CookingParameter, std::less<>> cooking_;
    std::map<std::string, VariableInfo, std::less<>> variables_;
    std::map<std::string, std::string> lineTasks_;
};

// Whether text is a whole number or a decimal number as the analyzer reads them: an optional
// sign, digits, and for a decimal a point followed by digits.
bool IsNumberText(std::string_view text);

}  // namespace kv::lsp
