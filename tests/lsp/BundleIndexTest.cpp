// The bundle's index: each table read as the analyzer reads it, with the lines of its entries.
// Lines are counted in the example's table files.
#include <gtest/gtest.h>

#include "lsp/LspTestBundle.h"
#include "tools/kvc/lsp/BundleIndex.h"

namespace {

using kv::test::ExampleBundle;
using kv::test::ExampleBundleDir;

std::filesystem::path Table(const char* file) {
    return ExampleBundleDir() / "appParameterDataLc" / file;
}

TEST(BundleIndex, FindsFunctionsCookingParametersIngredientsAndVariablesWhereTheyAreWritten) {
    const kv::lsp::BundleIndex& index = ExampleBundle().index;
    EXPECT_EQ(index.CallableNames(), (std::vector<std::string>{"add", "cover", "heat", "pour",
                                                               "starttimer", "stir", "uncover"}));
    const kv::lsp::FunctionInfo* heat = index.FindFunction("heat");
    ASSERT_NE(heat, nullptr);
    EXPECT_EQ(heat->place.file, Table("functionParasValueDes.json"));
    EXPECT_EQ(heat->place.line, 2);
    ASSERT_EQ(heat->parameters.size(), 2u);
    EXPECT_EQ(heat->parameters[1].name, "time");
    EXPECT_EQ(heat->parameters[1].scope, (std::vector<std::string>{"0", "7200"}));
    // heat takes lines 2-9, and the six functions after it 8, 7, 8, 8, 7 and 7 lines more.
    EXPECT_EQ(index.FindFunction("starttimer")->place.line, 47);
    EXPECT_EQ(heat->ParameterAt(2), nullptr);

    const kv::lsp::CodedName* ginger = index.FindIngredient("生姜");
    ASSERT_NE(ginger, nullptr);
    EXPECT_EQ(ginger->code, "1002");
    EXPECT_EQ(ginger->place.line, 3);
    EXPECT_EQ(index.FindIngredient("1003")->name, "料酒");
    EXPECT_EQ(index.FindResource("锅盖")->type, "lid");
    EXPECT_EQ(index.FindIngredient("锅盖"), nullptr);

    const kv::lsp::CookingParameter* braise = index.FindCookingParameter("braiseTime");
    EXPECT_EQ(braise->values, (std::vector<std::string>{"20min", "30min"}));
    EXPECT_EQ(braise->place.file, Table("par.json"));
    EXPECT_EQ(braise->place.line, 3);
    EXPECT_EQ(index.FindVariable("pot.temp")->place.line, 2);
    EXPECT_EQ(index.TaskOfLine(8), "t2");
    EXPECT_EQ(index.TaskOfLine(6), "");
}

TEST(BundleIndex, FindsTheBaseUnitOfATypeAndTheUnitAQuantityEndsWith) {
    const kv::lsp::BundleIndex& index = ExampleBundle().index;
    EXPECT_EQ(index.BaseUnit("temperature"), "℃");
    EXPECT_EQ(index.BaseUnit("时长"), "s");
    EXPECT_EQ(index.BaseUnit("nothing"), "");
    const auto unit = [&](const char* text) {
        const std::optional<kv::lsp::UnitMatch> match = index.FindUnit(text);
        return match ? match->name + "@" + std::to_string(match->position) : std::string("-");
    };
    // kg beats g, which also ends the text, by its length; ml beats l, which is not longer.
    EXPECT_EQ(unit("0.5kg"), "kg@3");
    EXPECT_EQ(unit("3ml"), "ml@1");
    EXPECT_EQ(unit("20克"), "克@2");
    // A name at the start, or one that does not end the text, is no unit of it: kg alone
    // ends with g, after its first byte.
    EXPECT_EQ(unit("kg"), "g@1");
    EXPECT_EQ(unit("5kgx"), "-");
}

TEST(BundleIndex, TellsNumberTextsAsTheAnalyzerDoes) {
    for (const char* number : {"5", "-5", "+0.25", "10.0"}) {
        EXPECT_TRUE(kv::lsp::IsNumberText(number)) << number;
    }
    for (const char* other : {"", "-", "1.", ".5", "1e3", "5kg", "1.2.3"}) {
        EXPECT_FALSE(kv::lsp::IsNumberText(other)) << other;
    }
}

}  // namespace
