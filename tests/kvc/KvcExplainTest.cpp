// kvc explain and docs/errors.md: every code that can be reported is explained, every example
// gives its code while its fix compiles, and the checked-in page is the one kvc renders.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "analyzer/AnalyzerMessages.h"
#include "arbor/RecipeParser.h"
#include "arbor/SyntaxMessages.h"
#include "checkers/CheckerMessages.h"
#include "data/DataMessages.h"
#include "host/HostMessages.h"
#include "host/HostText.h"
#include "host/TestTempDir.h"
#include "kvc/KvcRun.h"
#include "tools/kvc/Explanations.h"
#include "tools/kvc/KvcMessages.h"
#include "vm/VmMessages.h"

namespace {

namespace fs = std::filesystem;
using kv::diag::Row;
using kv::kvc::Example;
using kv::kvc::Explanation;
using kv::test::KvcResult;
using kv::test::RunKvc;
using kv::test::TestTempDir;

struct Catalog {
    std::span<const Row> rows;
    // kvc's and the host's codes are exit statuses; any other code there would be an error
    // code like the library's.
    bool exitStatuses;
};

const std::vector<Catalog>& Catalogs() {
    static const std::vector<Catalog> catalogs = {
        {kv::diag::checker::kRows, false}, {kv::diag::analyzer::kRows, false},
        {kv::diag::data::kRows, false},    {kv::diag::vm::kRows, false},
        {kv::diag::syntax::kRows, false},  {kv::diag::host::kRows, true},
        {kv::diag::kvc::kRows, true},
    };
    return catalogs;
}

bool IsErrorCode(const Catalog& catalog, int code) {
    return catalog.exitStatuses ? code < 0 || code > 2 : code != 0;
}

// The rows that carry an error code, from every catalog.
std::vector<Row> NumberedRows() {
    std::vector<Row> rows;
    for (const Catalog& catalog : Catalogs()) {
        for (const Row& row : catalog.rows) {
            if (IsErrorCode(catalog, row.code)) rows.push_back(row);
        }
    }
    return rows;
}

TEST(KvcExplain, EveryCodeThatCanBeReportedIsExplainedAndNoOtherIs) {
    std::set<int> reportable;
    for (const Row& row : NumberedRows()) reportable.insert(row.code);
    std::set<int> explained;
    int previous = 0;
    for (const Explanation& explanation : kv::kvc::Explanations()) {
        EXPECT_GT(explanation.code, previous) << "explanations in ascending order, once each";
        previous = explanation.code;
        explained.insert(explanation.code);
        EXPECT_FALSE(explanation.title.empty()) << explanation.code;
        EXPECT_FALSE(explanation.meaning.empty()) << explanation.code;
        EXPECT_FALSE(explanation.examples.empty()) << explanation.code;
    }
    EXPECT_EQ(explained, reportable);
    // kvc's own failures have none: the parser's codes are 9001 to 9099, the library's below.
    EXPECT_EQ(*reportable.begin(), 1001);
    EXPECT_LT(*reportable.rbegin(), 9100);
}

TEST(KvcExplain, EveryMessageOfACodeIsQuotedOnceInItsExplanation) {
    const std::vector<Row> rows = NumberedRows();
    for (const Explanation& explanation : kv::kvc::Explanations()) {
        std::set<std::string> quoted;
        for (const kv::kvc::MessageNote& note : explanation.messages) {
            int matches = 0;
            for (const Row& row : rows) {
                if (row.code != explanation.code || row.name != note.row) continue;
                ++matches;
                EXPECT_TRUE(quoted.insert(row.format).second)
                    << explanation.code << ": " << note.row << " repeats a message";
            }
            EXPECT_EQ(matches, 1) << explanation.code << ": " << note.row;
        }
        for (const Row& row : rows) {
            if (row.code == explanation.code) {
                EXPECT_EQ(quoted.count(row.format), 1u)
                    << explanation.code << " does not quote " << row.name;
            }
        }
    }
}

// The first line of text, without its line feed.
std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// Each example compiled as the page shows it: in a folder holding a copy of the example
// bundle (and recipe), with the recipe examples' recipe beside them.
class ExplainExample : public ::testing::TestWithParam<int> {
protected:
    const Explanation& Explained() const { return *kv::kvc::FindExplanation(GetParam()); }

    // Runs the command the page shows, with input as the recipe or the bundle table.
    KvcResult Compile(const Example& example, std::string_view input) {
        TestTempDir dir;
        const fs::path work = dir.Path() / "w";
        const fs::path source(KV_SOURCE_DIR);
        fs::create_directories(work / kv::kvc::kExampleBundle);
        fs::copy(source / kv::kvc::kExampleBundle, work / kv::kvc::kExampleBundle,
                 fs::copy_options::recursive);
        fs::copy(source / kv::kvc::kExampleRecipe, work / kv::kvc::kExampleRecipe);
        const bool bundleExample = example.steps.empty();
        if (bundleExample) {
            dir.Write(
                "w/" + std::string(kv::kvc::kExampleBundle) + "/" + std::string(example.table),
                std::string(input));
        } else {
            dir.Write("w/" + std::string(kv::kvc::kExampleRecipeName),
                      kv::kvc::ExampleRecipe(input));
        }
        return RunKvc(work, {"compile", std::string(kv::kvc::kExampleBundle),
                             std::string(bundleExample ? kv::kvc::kExampleRecipe
                                                       : kv::kvc::kExampleRecipeName),
                             "-o", "out"});
    }
};

TEST_P(ExplainExample, GivesItsDiagnosticAndItsFixCompilesWithoutAWord) {
    const std::string code = "error[" + std::to_string(GetParam()) + "]";
    for (const Example& example : Explained().examples) {
        SCOPED_TRACE(example.title);
        EXPECT_NE(example.diagnostic.find(code), std::string_view::npos);
        const bool bundleExample = example.steps.empty();
        const std::string_view wrong = bundleExample ? example.wrongTable : example.steps;
        // kvc converts a recipe into the host's encoding before the parser sees it: bytes
        // that do not convert are its own failure there.
        if (!kv::host::kHostTextIsGbk || kv::host::ToHostText(kv::kvc::ExampleRecipe(wrong)).Ok()) {
            const KvcResult run = Compile(example, wrong);
            const bool refused = !example.refusal.empty();
            EXPECT_EQ(run.exitCode, refused ? 2 : 1);
            // A refusal names a path kvc built; a diagnostic names the bundle as it was typed.
            EXPECT_EQ(FirstLine(run.err),
                      refused ? kv::test::WithNativePath(std::string(example.refusal))
                              : std::string(example.diagnostic));
        }
        const KvcResult fixed =
            Compile(example, bundleExample ? example.fixedTable : example.fixedSteps);
        EXPECT_EQ(fixed.exitCode, 0);
        EXPECT_EQ(fixed.err, "");
    }
}

// What a host that parses the recipe itself is told: the parser's first error, as kvc shows it.
class ExplainSyntaxExample : public ExplainExample {};

TEST_P(ExplainSyntaxExample, IsWhatTheParserReports) {
    for (const Example& example : Explained().examples) {
        SCOPED_TRACE(example.title);
        // In the host's encoding, as kvc hands it over, where the recipe converts; the
        // examples of bad bytes are parsed as written.
        const std::string recipe = kv::kvc::ExampleRecipe(example.steps);
        const kv::gbk::Converted host = kv::host::ToHostText(recipe);
        const ParsedRecipe parsed = host.Ok() ? ParseRecipe(host.text, kPlatformRecipeEncoding)
                                              : ParseRecipe(recipe, RecipeEncoding::Utf8);
        ASSERT_FALSE(parsed.errors.empty());
        const SyntaxError& error = parsed.errors.front();
        EXPECT_EQ(std::string(kv::kvc::kExampleRecipeName) + ":" + std::to_string(error.line) +
                      ":" + std::to_string(error.column) + ": error[" + std::to_string(error.code) +
                      "]: " + kv::host::FromHostText(error.message),
                  example.diagnostic);
        EXPECT_TRUE(ParseRecipe(kv::kvc::ExampleRecipe(example.fixedSteps), RecipeEncoding::Utf8)
                        .errors.empty());
    }
}

std::vector<int> ExplainedCodes() {
    std::vector<int> codes;
    for (const Explanation& explanation : kv::kvc::Explanations()) {
        codes.push_back(explanation.code);
    }
    return codes;
}

std::vector<int> SyntaxCodes() {
    std::vector<int> codes;
    for (const Row& row : kv::diag::syntax::kRows) {
        if (row.code != 0) codes.push_back(row.code);
    }
    return codes;
}

std::string CodeName(const ::testing::TestParamInfo<int>& code) {
    return std::to_string(code.param);
}

INSTANTIATE_TEST_SUITE_P(Codes, ExplainExample, ::testing::ValuesIn(ExplainedCodes()), CodeName);
INSTANTIATE_TEST_SUITE_P(Codes, ExplainSyntaxExample, ::testing::ValuesIn(SyntaxCodes()), CodeName);

class KvcExplainCommand : public ::testing::Test {
protected:
    KvcExplainCommand() { fs::create_directories(dir.Path() / "w"); }
    KvcResult Explain(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "explain");
        return RunKvc(dir.Path() / "w", arguments);
    }

    TestTempDir dir;
};

TEST_F(KvcExplainCommand, TheCheckedInErrorIndexIsTheOneKvcRenders) {
    const KvcResult run = Explain({"--markdown"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    const std::string file = kv::test::ReadFileText(fs::path(KV_SOURCE_DIR) / "docs" / "errors.md");
    if (run.out == file) return;
    // The first line that differs, rather than two pages.
    const std::vector<std::string> rendered = kv::test::Lines(run.out + "\n");
    const std::vector<std::string> checkedIn = kv::test::Lines(file + "\n");
    std::size_t line = 0;
    while (line + 1 < rendered.size() && line + 1 < checkedIn.size() &&
           rendered[line] == checkedIn[line]) {
        ++line;
    }
    ADD_FAILURE()
        << "docs/errors.md differs at line " << line + 1 << ": kvc renders \"" << rendered[line]
        << "\", the file has \"" << checkedIn[line]
        << "\"; regenerate it with build/debug/bin/kvc explain --markdown > docs/errors.md";
}

TEST_F(KvcExplainCommand, ACodeIsExplainedByItsSectionOfTheIndex) {
    const KvcResult run = Explain({"2003"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(FirstLine(run.out), "## 2003: A timer started without its number");
    const std::string index = kv::test::ReadFileText(fs::path(KV_SOURCE_DIR) / "docs/errors.md");
    EXPECT_NE(index.find("\n" + run.out + "\n## 9001: "), std::string::npos);
}

TEST_F(KvcExplainCommand, TheListHasOneLinePerCodeWithItsTitle) {
    const KvcResult run = Explain({"--list"});
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<std::string> lines = kv::test::Lines(run.out);
    ASSERT_EQ(lines.size(), 26u);  // 1001-1004, 2001-2003, 9001-9019
    EXPECT_EQ(lines.front(), "1001  A value of the wrong kind");
    EXPECT_EQ(lines[6], "2003  A timer started without its number");
    EXPECT_EQ(lines.back(), "9019  Full-width punctuation");
}

TEST_F(KvcExplainCommand, ACodeNothingReportsOrNoCodeAtAllCannotBeExplained) {
    for (const std::string code : {"2004", "0", "1003x", "error[1003]"}) {
        SCOPED_TRACE(code);
        const KvcResult run = Explain({code});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "kvc: error: " + code +
                               " is not an error code kvc can report; 'kvc explain --list' "
                               "lists them all\n");
    }
    // A code and the list at once, or nothing to explain, is a usage error.
    EXPECT_EQ(Explain({"1003", "--list"}).exitCode, 2);
    EXPECT_EQ(Explain({}).exitCode, 2);
}

}  // namespace
