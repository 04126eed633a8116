// BundleFacts: what notes need to know from a bundle's tables, read the way the library reads
// them. Each table is read on the first note that needs it, in one walk, and kept.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/BundleData.h"
#include "host/NameFinder.h"
#include "utilo/CommonMethod.h"
#include "utilo/JsonBase.h"

namespace kv::host {

// One row of a bundle table.
struct FactRow {
    std::string file;  // the bundle as the user named it, then the row's file inside it
    std::string json;  // in UTF-8; empty for a row whose field is not valid
    bool valid = true;
};

// A parameter of a function's value descriptor.
struct ParameterFacts {
    std::string name;
    std::string dataType;
    std::vector<std::string> scope;             // the bound texts as written
    std::map<std::string, std::string> select;  // choice key -> its stored value
    bool unchecked = false;                     // isEmpty 1: the checker passes the argument over
    std::string path;                           // its JSON path in the row, e.g. heat.par[0]
};

struct FunctionFacts {
    std::vector<ParameterFacts> parameters;
    // An array parameter with a name: its parameters repeat over all arguments instead.
    bool grouped = false;
    std::vector<ParameterFacts> group;
    std::size_t row = 0;  // of functionParasValueDes
};

struct VariableFacts {
    std::string dataType;
    std::vector<std::string> scope;
    std::map<std::string, std::string> select;
    std::string path;
    std::size_t row = 0;  // of variableValueDes
};

struct UnitFacts {
    std::string name;         // srcename, as programs write it
    std::string chineseName;  // srccname
    std::string base;
    float ratio = 1.0f;
    float offset = 0.0f;
};

// Where an entry of a table is: the file of its row and its JSON path inside that row.
struct EntryPlace {
    std::string file;
    std::string path;
};

// Given an entry, the rest of the path to its offending field (".ratio", "" for the entry
// itself), or nothing when the entry is not the one sought.
using EntryTest =
    std::function<std::optional<std::string>(const Brisk::RapidJsonHelper::JsonValue&)>;
using KeyedEntryTest = std::function<std::optional<std::string>(
    std::string_view key, const Brisk::RapidJsonHelper::JsonValue&)>;

class BundleFacts {
public:
    // data is lent and must outlive the facts; bundleName is the bundle as the user named it.
    BundleFacts(BundleData& data, std::string bundleName);
    ~BundleFacts();
    BundleFacts(const BundleFacts&) = delete;
    BundleFacts& operator=(const BundleFacts&) = delete;

    // The rows of a table of database in the order the library reads them; none when the
    // bundle lacks the table.
    const std::vector<FactRow>& Rows(std::string_view database, std::string_view table);
    // The same for a table of the application's local database (appParameterDataLc).
    const std::vector<FactRow>& LocalRows(std::string_view table);

    // Every value descriptor of functions and of variables, by name.
    const std::map<std::string, FunctionFacts, std::less<>>& Functions();
    const std::map<std::string, VariableFacts, std::less<>>& Variables();
    // Whether the host's function table holds a function recipes call name.
    bool IsHostFunction(std::string_view name);
    // The value descriptor of a function or variable, or null.
    const FunctionFacts* Function(std::string_view name);
    const VariableFacts* Variable(std::string_view name);
    // The unit a value of dataType is read in: "number" for a plain number type, else the
    // unit of its business type ("" when it has none).
    std::string UnitTypeOf(std::string_view dataType);
    // Whether the business type dataType holds texts.
    bool IsTextType(std::string_view dataType);
    bool IsBusinessType(std::string_view name);
    const std::vector<UnitFacts>& Units();
    // The number text stands for in unitType, converted to it, as the library reads a value;
    // nothing when the library would not accept it. A plain number type takes a quoted text,
    // a `#` reference or null as 0.
    std::optional<float> ValueIn(const std::string& text, const std::string& unitType);
    // The number a scope bound stands for (0 for a text that is none).
    double BoundValue(const std::string& bound);
    // The values a cooking parameter takes, or null when there is no such parameter.
    const std::vector<std::string>* CookingParameter(std::string_view name);
    // Whether text is the name or the code of an ingredient, or of a resource.
    bool IsIngredient(std::string_view text);
    bool IsResource(std::string_view text);

    // The first entry, in the order the library reads them, that test accepts: of a table
    // whose rows hold arrays of objects (path "[3]..."), or objects by key (path "key...").
    std::optional<EntryPlace> FindEntry(std::string_view database, std::string_view table,
                                        const EntryTest& test);
    std::optional<EntryPlace> FindKeyedEntry(std::string_view database, std::string_view table,
                                             const KeyedEntryTest& test);
    // The file a table is read from: its first row's, else the one it would be read from.
    std::string TableFile(std::string_view database, std::string_view table);

    // Finders over the names a recipe may mean.
    NameFinder& FunctionNames();
    NameFinder& IngredientNames();
    NameFinder& ResourceNames();
    NameFinder& CookingParameterNames();
    NameFinder& BusinessTypeNames();

private:
    struct Named;  // names and codes of one table
    struct BusinessType {
        std::string name;
        std::string nameDesc;
        std::string dataType;
        std::string unit;
    };
    void ReadFunctions();
    void ReadVariables();
    void ReadBusinessTypes();
    Named& ReadNamed(std::unique_ptr<Named>& named, std::string_view table);
    NameFinder& FinderOver(std::unique_ptr<NameFinder>& finder,
                           const std::vector<std::string>& names);

    std::optional<double> NumberOf(const std::string& text);
    // A file of the bundle, given relative to it, as the user would name it.
    std::string InBundle(const std::string& relative) const;

    BundleData& data_;
    std::unique_ptr<CommonMethod> common_;
    std::string bundleName_;
    std::map<std::string, std::vector<FactRow>, std::less<>> rows_;
    std::optional<std::map<std::string, FunctionFacts, std::less<>>> functions_;
    std::vector<std::string> functionNames_;
    std::optional<std::map<std::string, VariableFacts, std::less<>>> variables_;
    std::optional<std::map<std::string, BusinessType, std::less<>>> businessTypes_;
    std::vector<std::string> businessTypeNames_;
    std::optional<std::vector<UnitFacts>> units_;
    std::optional<std::map<std::string, std::vector<std::string>, std::less<>>> cooking_;
    std::vector<std::string> cookingNames_;
    std::unique_ptr<Named> ingredients_;
    std::unique_ptr<Named> resources_;
    std::unique_ptr<NameFinder> functionFinder_;
    std::unique_ptr<NameFinder> ingredientFinder_;
    std::unique_ptr<NameFinder> resourceFinder_;
    std::unique_ptr<NameFinder> cookingFinder_;
    std::unique_ptr<NameFinder> businessTypeFinder_;
};

// A JSON path step for key: `.key`, or `["key"]` when it is no plain word; first leaves the
// dot out.
std::string JsonKeyStep(std::string_view key, bool first);

}  // namespace kv::host
