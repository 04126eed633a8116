// kvc's diagnostics options: where the diagnostics go and in what form, what standard output
// then holds, and `kvc check`.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/TestTempDir.h"
#include "kvc/KvcRun.h"
#include "kvc/SmallBundle.h"

namespace {

using kv::test::KvcResult;
using kv::test::RunKvc;
using kv::test::TestTempDir;

// Line 3 is the only line the small bundle maps to a task; its parenthesis stays open.
const std::string kSyntaxError = "// a\n// b\nheat(180\n";
const std::string kSyntaxDiagnostic =
    "recipe.rcp:3:5: error[9004]: 语法错误：应为<与之配对的右括号>，实际为<行尾>\n"
    "heat(180\n"
    "    ^\n";

class KvcDiagnostics : public ::testing::Test {
protected:
    KvcDiagnostics() {
        kv::test::WriteSmallBundle(dir, "w/bundle");
        dir.Write("w/recipe.rcp", "// a\n// b\noven.temp > 150 => fan = 1\n");
    }
    KvcResult Run(std::vector<std::string> arguments) {
        return RunKvc(dir.Path() / "w", arguments);
    }
    KvcResult Compile(std::vector<std::string> more) {
        std::vector<std::string> arguments{"compile", "bundle", "recipe.rcp", "-o", "out"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return Run(arguments);
    }
    bool Exists(const std::string& relative) const {
        return std::filesystem::exists(dir.Path() / "w" / relative);
    }

    TestTempDir dir;
};

TEST_F(KvcDiagnostics, ADiagnosticsFileTakesTheTextAndStandardErrorStaysEmpty) {
    dir.Write("w/recipe.rcp", kSyntaxError);
    KvcResult run = Compile({"--diagnostics-output", "diagnostics.txt"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(dir.Read("w/diagnostics.txt"), kSyntaxDiagnostic + "1 error generated.\n");

    // A file is no terminal: auto leaves it plain, always colours it.
    run = Compile({"--diagnostics-output", "diagnostics.txt", "--color=always"});
    EXPECT_EQ(dir.Read("w/diagnostics.txt").rfind("\x1b[1mrecipe.rcp:3:5:\x1b[0m ", 0), 0u);
}

TEST_F(KvcDiagnostics, ADiagnosticsFileInTheOutputFolderJoinsTheNewSet) {
    const KvcResult run =
        Compile({"--diagnostics-format=json", "--diagnostics-output", "out/diagnostics.json"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(dir.Read("w/out/diagnostics.json"), "[]\n");
    EXPECT_TRUE(Exists("out/program.rcp"));
    EXPECT_FALSE(run.out.empty()) << "the listing stays on standard output";
}

TEST_F(KvcDiagnostics, TheDiagnosticsFileIsCheckedLikeTheLog) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{"--diagnostics-output", "bundle/d.json"},
         "bundle/d.json: cannot be used as the diagnostics file: it lies inside the bundle, "
         "which is never modified"},
        {{"--diagnostics-output", "out/program.rcp"},
         "out/program.rcp: cannot be used as the diagnostics file: it is an output of this "
         "compile"},
        {{"--diagnostics-output", "same.txt", "--log-json", "same.txt"},
         "same.txt: cannot be used both as the JSON log and as the diagnostics file"},
        // Standard output cannot hold both either.
        {{"--diagnostics-output", "-", "--log-json", "-"},
         "-: cannot be used both as the JSON log and as the diagnostics file"},
    };
    for (const Case& c : cases) {
        const KvcResult run = Compile(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.message;
        EXPECT_EQ(run.err, "kvc: error: " + c.message + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(Exists("out")) << c.message;
    }
}

TEST_F(KvcDiagnostics, QuietOrDiagnosticsOnStandardOutputLeaveTheListingOut) {
    KvcResult run = Compile({"--quiet"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Exists("out/program.rcp")) << "quiet writes the outputs";

    dir.Write("w/recipe.rcp", kSyntaxError);
    run = Compile({"--diagnostics-output", "-"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, kSyntaxDiagnostic + "1 error generated.\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(KvcDiagnostics, CheckAnalysesWithoutAnOutputFolder) {
    dir.Write("w/out/keep.txt", "mine");
    const std::vector<std::string> before = dir.Files();
    KvcResult run = Run({"check", "bundle", "recipe.rcp"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_FALSE(run.out.empty()) << "the listing as compile shows it";
    EXPECT_EQ(dir.Files(), before) << "nothing written, nothing removed";

    // It takes no output folder, nor outputs to write on error.
    EXPECT_EQ(Run({"check", "bundle", "recipe.rcp", "-o", "out"}).exitCode, 2);
    EXPECT_EQ(Run({"check", "bundle", "recipe.rcp", "--write-on-error"}).exitCode, 2);
}

TEST_F(KvcDiagnostics, SarifPathsAreRelativeToTheFolderKvcRanIn) {
    dir.Write("w/recipe.rcp", kSyntaxError);
    const KvcResult run = Run({"check", "bundle", "recipe.rcp", "--quiet",
                               "--diagnostics-format=sarif", "--diagnostics-output", "-"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "");
    // The folder's URI ends in "/w/"; the recipe is named relative to it.
    EXPECT_NE(run.out.find("/w/\"\n        }\n      },\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"uri\": \"recipe.rcp\",\n"
                           "                  \"uriBaseId\": \"SRCROOT\"\n"),
              std::string::npos)
        << run.out;
}

}  // namespace
