// Hover, completion and definition on recipe lines, against the example bundle.
#include <gtest/gtest.h>

#include <string>

#include "lsp/LspTestBundle.h"
#include "tools/kvc/lsp/LspFeatures.h"

namespace {

using kv::lsp::CompletionEntry;
using kv::test::ExampleBundle;

std::string HoverOn(const std::string& line, const std::string& marker) {
    const std::optional<kv::lsp::HoverText> hover =
        kv::lsp::HoverAt(ExampleBundle().index, line, line.find(marker));
    return hover ? hover->markdown : "(none)";
}

std::vector<std::string> Labels(const std::vector<CompletionEntry>& entries) {
    std::vector<std::string> labels;
    for (const CompletionEntry& entry : entries) labels.push_back(entry.label);
    return labels;
}

std::vector<CompletionEntry> CompleteEnd(const std::string& line, int lineNumber = 3) {
    return kv::lsp::CompleteAt(ExampleBundle().index, line, lineNumber, line.size(), true);
}

TEST(LspHover, DescribesParametersChoicesConversionsAndCodes) {
    const std::string line = "pot.temp >= 160 => cover(锅盖); add(冰糖, 15g); heat(100, 1min)";
    EXPECT_EQ(HoverOn(line, "add"),
              "**add**(material, weight)\n\n"
              "- `material`: an ingredient's name or code\n"
              "- `weight`: weight (重量, float), from 0 to 5000, in g");
    EXPECT_EQ(HoverOn(line, "1min"), "1min = **60 s** (1 min = 60 s)");
    EXPECT_EQ(HoverOn(line, "15g"), "15g: g is a base unit");
    EXPECT_EQ(HoverOn(line, "冰糖"), "**冰糖**: ingredient, code 1006");
    EXPECT_EQ(HoverOn(line, "锅盖"), "**锅盖**: resource of type lid, code 2001");
    EXPECT_EQ(HoverOn(line, "100"), "`temp`: temperature (温度, float), from 0 to 250, in ℃");
    EXPECT_EQ(HoverOn(line, "pot.temp"),
              "**pot.temp**: application variable, temperature (温度, float), from 0 to 300, "
              "in ℃");
    EXPECT_EQ(HoverOn("stir(#fast)", "#"),
              "**#fast**: the bundle's par table has no such cooking parameter");
    EXPECT_EQ(HoverOn("fry(1)", "fry"), "(none)");
    EXPECT_EQ(HoverOn("heat(1) // heat", "// heat"), "(none)");
}

TEST(LspCompletion, OffersCallsWithSnippetsTheStepMarkerAndVariablesWhereAStatementStarts) {
    const std::vector<CompletionEntry> entries = CompleteEnd("task_t1 = 1; ");
    const std::vector<std::string> labels = Labels(entries);
    EXPECT_EQ(labels, (std::vector<std::string>{"add", "cover", "heat", "pour", "starttimer",
                                                "stir", "uncover", "task_t1", "pot.temp"}));
    EXPECT_EQ(entries[2].insertText, "heat(${1:temp}, ${2:time})$0");
    EXPECT_TRUE(entries[2].snippet);
    EXPECT_EQ(entries[2].detail, "**heat**(temp, time)");
    // A condition may compare the time; line 6 has no task.
    const std::vector<std::string> condition = Labels(CompleteEnd("ti", 6));
    EXPECT_EQ(condition, (std::vector<std::string>{"add", "cover", "heat", "pour", "starttimer",
                                                   "stir", "uncover", "time", "pot.temp"}));
    EXPECT_EQ(CompleteEnd("ti", 6)[7].start, 0u);
}

TEST(LspCompletion, OffersWhatAnArgumentTakes) {
    EXPECT_EQ(Labels(CompleteEnd("add(")),
              (std::vector<std::string>{"鸡块", "生姜", "料酒", "生抽", "老抽", "冰糖", "水"}));
    EXPECT_EQ(Labels(CompleteEnd("cover(")), (std::vector<std::string>{"锅盖", "炒锅"}));
    // Units of the duration's base unit, in place of what follows the number.
    const std::vector<CompletionEntry> units = CompleteEnd("heat(180, 2m");
    EXPECT_EQ(Labels(units), (std::vector<std::string>{"s", "秒", "min", "分钟"}));
    EXPECT_EQ(units[2].start, std::string("heat(180, 2").size());
    EXPECT_EQ(units[2].detail, "1 min = 60 s");
    // stirSpeed (60, 120) and fireLevel (1, 2, 3) are speeds in 0-200; braiseTime is not.
    const std::vector<CompletionEntry> speeds = CompleteEnd("stir(");
    EXPECT_EQ(Labels(speeds), (std::vector<std::string>{"#fireLevel", "#stirSpeed"}));
    EXPECT_EQ(speeds[0].filterText, "fireLevel");
    EXPECT_TRUE(CompleteEnd("heat(1, 2, ").empty());
}

TEST(LspDefinition, LeadsToTheTableLineOfAFunctionAReferenceAnIngredientAndAVariable) {
    const std::string line = "pot.temp >= 160 => add(料酒, 15ml); stir(#stirSpeed); wait(1)";
    const auto lineOf = [&](const std::string& marker) {
        const std::optional<kv::lsp::TablePlace> place =
            kv::lsp::DefinitionAt(ExampleBundle().index, line, line.find(marker) + 1);
        return place ? place->file.filename().string() + ":" + std::to_string(place->line)
                     : std::string("(none)");
    };
    EXPECT_EQ(lineOf("add"), "functionParasValueDes.json:17");
    EXPECT_EQ(lineOf("料酒"), "ingredient.json:4");
    EXPECT_EQ(lineOf("#stirSpeed"), "par.json:2");
    EXPECT_EQ(lineOf("pot.temp"), "variableValueDes.json:2");
    EXPECT_EQ(lineOf("wait"), "(none)");
    EXPECT_EQ(lineOf("15ml"), "(none)");
}

}  // namespace
