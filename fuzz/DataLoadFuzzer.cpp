// DataLoadFuzzer: application tables built from the input, loaded by KvData, then the value
// operations the checkers use, fed with the lines of the input's recipe part. Loading must
// keep only records that passed their checks, and the operations must give consistent
// answers whatever the tables hold.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "KvConst.h"
#include "data/KvData.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzHost.h"

namespace {

using kv::fuzz::Printable;

// What the loader keeps must be what its checks let through.
void CheckLoadedTables(KvData& data) {
    for (const auto& [name, code] : data.GetMaterial()) {
        KV_FUZZ_CHECK(!code.empty(), "ingredient " + Printable(name) + " kept without id");
    }
    for (const auto& [name, code] : data.GetResource()) {
        KV_FUZZ_CHECK(!code.empty(), "resource " + Printable(name) + " kept without id");
    }
    for (const auto& [name, type] : data.GetBsType()) {
        KV_FUZZ_CHECK(name == type.name && !type.dataType.empty(), Printable(name));
    }
    kv::test::TestData scratch;
    for (const auto& [logicNo, entry] : data.GetLogicInfoMap()) {
        KV_FUZZ_CHECK(logicNo == entry.logicNo, std::to_string(logicNo));
        KV_FUZZ_CHECK(entry.CheckData(&scratch), "logic entry kept that fails its check");
    }
    for (const COral& oral : data.GetOral()) KV_FUZZ_CHECK(std::isfinite(oral.value), "");
    for (const CUnit& unit : data.GetUnit()) {
        KV_FUZZ_CHECK(std::isfinite(unit.ratio) && std::isfinite(unit.offset), "");
    }
}

std::vector<std::string> ValueTexts(const std::string& recipe) {
    std::vector<std::string> values;
    size_t start = 0;
    while (start <= recipe.size() && values.size() < 16) {
        const size_t end = std::min(recipe.find('\n', start), recipe.size());
        values.push_back(recipe.substr(start, std::min<size_t>(end - start, 256)));
        start = end + 1;
    }
    return values;
}

// The unit types a checker would ask for: plain numbers and every base the tables name.
std::vector<std::string> UnitTypes(KvData& data) {
    std::vector<std::string> types{"number", ""};
    for (const auto& [name, type] : data.GetBsType()) {
        if (types.size() >= 8) break;
        types.push_back(data.GetBasicUnit(name));
    }
    for (const CUnit& unit : data.GetUnit()) {
        if (types.size() >= 12) break;
        types.push_back(unit.base);
    }
    return types;
}

// A rewritten value is the "%f" text of the number it stands for, as printf writes it (six
// decimals, so it need not read back as the same float).
bool IsFixedText(const std::string& text, float number) {
    char printed[400];
    std::snprintf(printed, sizeof printed, "%f", static_cast<double>(number));
    return text == printed;
}

void CheckValueOperations(KvData& data, IData* host, const std::string& recipe) {
    const std::vector<std::string> types = UnitTypes(data);
    for (const std::string& value : ValueTexts(recipe)) {
        data.GetBasicUnit(value);

        std::pair<size_t, std::string> found{SIZE_MAX, "untouched"};
        CUnit unit;
        if (data.ParseUnit(value, found, unit)) {
            KV_FUZZ_CHECK(found.first > 0 && !found.second.empty() &&
                              value.compare(found.first, found.second.size(), found.second) == 0,
                          Printable(value) + " unit " + Printable(found.second));
        } else {
            KV_FUZZ_CHECK(found.first == SIZE_MAX && found.second == "untouched", "");
        }

        for (const std::string& type : types) {
            std::string text = value;
            float out = 0.0f;
            if (!data.ParsePublicValue(text, type, out)) continue;
            KV_FUZZ_CHECK(std::isfinite(out), Printable(value) + " gave " + std::to_string(out));
            KV_FUZZ_CHECK(text == value || IsFixedText(text, out),
                          Printable(value) + " rewritten " + Printable(text));
            const std::vector<std::string> openRange{"0", "inf"};
            data.CheckScopeValue(out, openRange, host);
        }

        int selects = 0;
        for (const auto& [name, descriptor] : data.GetVarValueDes()) {
            if (++selects > 8) break;
            std::string text = value;
            if (data.CheckSelectValue(text, descriptor.select.entries)) {
                bool isChoice = false;
                for (const auto& entry : descriptor.select) isChoice |= entry.second == text;
                KV_FUZZ_CHECK(isChoice, Printable(value) + " chose " + Printable(text));
            }
            if (descriptor.scope.size() >= 2) {
                data.CheckScopeValue(std::strtod(value.c_str(), nullptr), descriptor.scope.items,
                                     host);
            }
        }
    }
}

// Write-back replaces every row of the first table of that name up to its first unusable row.
void CheckWriteBack(KvData& data, kv::fuzz::FuzzHost& host) {
    const std::string json = data.appPar.ToJson();
    data.ChangeVmDataValue("appPar", "", json);
    const auto& databases = host.GetDatabases();
    const auto vm = databases.find(KvConst::AppParameterDataVm);
    if (vm == databases.end()) return;
    for (IDataTable* table : vm->second) {
        if (table->GetName() != "appPar") continue;
        bool reached = true;
        for (const auto& row : host.Rows()) {
            if (row.table != table) continue;
            reached = reached && row.valid;
            const std::string now = row.table->RowText(row.key);
            KV_FUZZ_CHECK(now == (reached ? json : row.text), "row " + row.key);
        }
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    kv::fuzz::FuzzHost host(std::string_view(reinterpret_cast<const char*>(bytes), size));
    KvData data(&host);

    CheckLoadedTables(data);
    bool everyRowValid = true;
    for (const auto& row : host.Rows()) everyRowValid = everyRowValid && row.valid;
    if (everyRowValid && kv::test::Errors(host.log).empty()) {
        // The configured version, even an empty one, or the default when none is configured.
        const auto& config = data.GetAppConfig();
        const auto configured = config.find(KvConst::RecipeVersion);
        const std::string expected = configured != config.end() ? configured->second : "2.0";
        KV_FUZZ_CHECK(data.GetRecipeVersion() == expected,
                      "a clean load gave the recipe version " + Printable(data.GetRecipeVersion()));
    }

    CheckValueOperations(data, &host, host.Recipe());
    CheckWriteBack(data, host);
    return 0;
}
