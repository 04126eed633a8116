// bench_frontend: parsing recipes and loading application tables; both should grow linearly.
#include <benchmark/benchmark.h>

#include <string>

#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "data/KvData.h"
#include "support/TestHost.h"

namespace {

// A recipe of n lines in the shapes the recipes use: a time point, a step marker, calls with
// units and references, and nested parentheses in an argument.
std::string MakeRecipe(int64_t lines) {
    std::string text;
    for (int64_t i = 0; i < lines; ++i) {
        text += "time >= " + std::to_string(i * 10) + ", pot.temp > 150 => task_t1 = " +
                std::to_string(i + 1) + "; heat(180, 5kg, #speed); stir((a+#speed)*2, \"low\")\n";
    }
    return text;
}

void BM_ParseRecipe(benchmark::State& state) {
    const std::string text = MakeRecipe(state.range(0));
    for (auto _ : state) {
        ParsedRecipe recipe = ParseRecipe(text);
        benchmark::DoNotOptimize(recipe.blocks.data());
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseRecipe)->RangeMultiplier(4)->Range(16, 16384)->Complexity(benchmark::oN);

void BM_CollectAndRender(benchmark::State& state) {
    ParsedRecipe recipe = ParseRecipe(MakeRecipe(state.range(0)));
    ISyntaxTreeVisitor* visitor = newSyntaxTreeVistor(nullptr);
    for (auto _ : state) {
        size_t total = 0;
        for (const auto& block : recipe.blocks) {
            total += visitor->CollectNodes(block.get()).size() + visitor->ToText(block.get()).size();
        }
        benchmark::DoNotOptimize(total);
    }
    delete visitor;
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CollectAndRender)->RangeMultiplier(4)->Range(16, 16384)->Complexity(benchmark::oN);

// Application tables with n entries each, split over rows of 64 entries so that the per-row
// checks run many times.
void AddTables(kv::test::TestData& data, int64_t n) {
    auto& ingredients = data.AddTable("appParameterDataLc", "ingredient");
    auto& descriptors = data.AddTable("appParameterDataLc", "functionParasValueDes");
    auto& tasks = data.AddTable("appParameterDataVm", "taskInfo");
    auto& variables = data.AddTable("appParameterDataVm", "appVariable");
    for (int64_t row = 0; row * 64 < n; ++row) {
        std::string ingredientRow = "[", descriptorRow = "{", taskRow = "{", variableRow = "[";
        for (int64_t i = row * 64; i < n && i < (row + 1) * 64; ++i) {
            const std::string id = std::to_string(i);
            const char* sep = i == row * 64 ? "" : ",";
            ingredientRow += sep + std::string(R"({"code":"m)") + id + R"(","name":"料)" + id + "\"}";
            descriptorRow += sep + std::string("\"f") + id + R"(":{"par":[{"name":"a","dataType":"t"}]})";
            taskRow += sep + std::string("\"t") + id + R"(":{"stepCount":3,"varList":["1.v)" + id + "\"]}";
            variableRow += sep + std::string(R"({"appKey":"1.v)") + id + R"(","dataType":2})";
        }
        const std::string key = std::to_string(1000000 + row);
        ingredients.AddRow(key, ingredientRow + "]");
        descriptors.AddRow(key, descriptorRow + "}");
        tasks.AddRow(key, taskRow + "}");
        variables.AddRow(key, variableRow + "]");
    }
}

void BM_LoadTables(benchmark::State& state) {
    kv::test::TestData data;
    AddTables(data, state.range(0));
    for (auto _ : state) {
        KvData loaded(&data);
        benchmark::DoNotOptimize(loaded.taskInfo.size());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadTables)->RangeMultiplier(4)->Range(64, 65536)->Complexity(benchmark::oNLogN);

}  // namespace

BENCHMARK_MAIN();
