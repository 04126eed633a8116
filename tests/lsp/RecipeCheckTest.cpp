// The diagnostics of one recipe text: syntax errors, the analyzer's errors, kvc's warnings, and
// the range each gets.
#include <gtest/gtest.h>

#include "lsp/LspTestBundle.h"
#include "tools/kvc/lsp/RecipeCheck.h"

namespace {

using kv::host::DiagnosticRecord;
using kv::test::ExampleBundle;

// "<line>:<column>-<endColumn> <code> <message>" of each diagnostic.
std::vector<std::string> Check(const std::string& steps, const kv::lsp::LoadedBundle* bundle,
                               kv::host::DiagnosticAnnotator* annotator = nullptr) {
    // Lines 3 to 5 are task t1's in the example bundle.
    const std::string recipe = "// a\n// b\n" + steps;
    std::vector<std::string> shown;
    for (const DiagnosticRecord& record :
         kv::lsp::CheckRecipe("r.rcp", recipe, bundle, annotator)) {
        shown.push_back(std::to_string(record.where.line) + ":" +
                        std::to_string(record.where.column) + "-" +
                        std::to_string(record.where.endColumn) + " " + std::to_string(record.code) +
                        " " + record.message);
    }
    return shown;
}

TEST(RecipeCheck, ReportsSyntaxErrorsWithOrWithoutABundleAndNothingElseThen) {
    EXPECT_EQ(
        Check("task_t1 = 1; heat(1\n", nullptr),
        // The error points at the "(" left open.
        (std::vector<std::string>{"3:18-19 9004 语法错误：应为<与之配对的右括号>，实际为<行尾>"}));
    EXPECT_TRUE(Check("task_t1 = 1; heat(900, 1s)\n", nullptr).empty());
}

TEST(RecipeCheck, ReportsTheAnalyzersErrorsAtTheWordTheyPointAt) {
    EXPECT_TRUE(Check("task_t1 = 1; add(鸡块, 0.5kg)\n", &ExampleBundle()).empty());
    // 鸭 is no ingredient: reported at the call's name, column 14, and annotated from the
    // bundle as kvc compile does, over the whole call "add(鸭, 0.5kg)" (15 bytes).
    EXPECT_EQ(Check("task_t1 = 1; add(鸭, 0.5kg)\n", &ExampleBundle()),
              (std::vector<std::string>{"3:14-29 1003 参数值错误:不在物料范围内!"}));
}

TEST(RecipeCheck, WarnsOfATimePointOperatorThatSaysSomethingElse) {
    const std::vector<std::string> shown = Check(
        "task_t1 = 1; heat(180, 2min)\ntime == 300 => task_t1 = 2; stir(30)\n", &ExampleBundle());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0],
              "4:6-8 0 the operator '==' has no effect on a time point, which is always reached "
              "at its time: it is read as 'time >= 300'");
}

// Annotates every diagnostic the way the bundle's annotator will: a note and a range.
class FixedAnnotator final : public kv::host::DiagnosticAnnotator {
public:
    void Annotate(DiagnosticRecord& record) override {
        kv::host::DiagnosticNote note;
        note.text = "noted";
        record.notes.push_back(std::move(note));
        record.where.endColumn = record.where.column + 1;
    }
};

TEST(RecipeCheck, LeavesTheRangeAnAnnotatorGaveAndKeepsItsNotes) {
    FixedAnnotator annotator;
    const std::vector<DiagnosticRecord> records = kv::lsp::CheckRecipe(
        "r.rcp", "// a\n// b\ntask_t1 = 1; add(鸭, 1g)\n", &ExampleBundle(), &annotator);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].where.endColumn, 15);
    ASSERT_EQ(records[0].notes.size(), 1u);
    EXPECT_EQ(records[0].notes[0].text, "noted");
}

TEST(RecipeCheck, RangesCoverAWordAReferenceAQuotedTextAnOperatorOrOneCharacter) {
    const std::string line = "a.b >= #x; say(\"h i\"); （";
    EXPECT_EQ(kv::lsp::WordEndColumn(line, 1), 4);
    EXPECT_EQ(kv::lsp::WordEndColumn(line, 5), 7);
    EXPECT_EQ(kv::lsp::WordEndColumn(line, 8), 10);
    EXPECT_EQ(kv::lsp::WordEndColumn(line, 16), 21);
    EXPECT_EQ(kv::lsp::WordEndColumn(line, 10), 11);
    // A full-width mark (after 23 bytes) is one character, three bytes.
    EXPECT_EQ(kv::lsp::WordEndColumn(line, 24), 27);
    EXPECT_EQ(kv::lsp::WordEndColumn(line, 40), 41);
}

}  // namespace
