// End-to-end tests of `kvc compile`: exit statuses, diagnostics, outputs and bad inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "host/TestTempDir.h"
#include "kvc/KvcRun.h"
#include "kvc/SmallBundle.h"

namespace {

using kv::test::KvcResult;
using kv::test::Lines;
using kv::test::RunKvc;
using kv::test::TestTempDir;
using kv::test::WithNativePath;

// A working directory holding a bundle folder "bundle" and a recipe "recipe.rcp".
class KvcCompile : public ::testing::Test {
protected:
    KvcCompile() {
        kv::test::WriteSmallBundle(dir, "w/bundle");
        Recipe("// demo\n\noven.temp > 150 => fan = 1\n// end\n");
    }

    void Recipe(const std::string& text) { dir.Write("w/recipe.rcp", text); }
    void BundleFile(const std::string& relative, const std::string& text) {
        dir.Write("w/bundle/" + relative, text);
    }
    KvcResult Run(const std::vector<std::string>& arguments) {
        return RunKvc(dir.Path() / "w", arguments);
    }
    std::string Read(const std::string& relative) { return dir.Read("w/" + relative); }
    bool Exists(const std::string& relative) {
        return std::filesystem::exists(dir.Path() / "w" / relative);
    }
    // The files below w/relative, relative to it.
    std::vector<std::string> FilesUnder(const std::string& relative) {
        std::vector<std::string> files;
        const std::string prefix = "w/" + relative + "/";
        for (const std::string& file : dir.Files()) {
            if (file.rfind(prefix, 0) == 0) files.push_back(file.substr(prefix.size()));
        }
        return files;
    }

    TestTempDir dir;
};

TEST_F(KvcCompile, CleanRecipeWritesEveryOutputInTheBundleLayoutAndExitsZero) {
    const KvcResult run =
        Run({"compile", "bundle", "recipe.rcp", "-o", "out", "--log-json", "log.jsonl"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ASSERT_FALSE(Lines(run.out).empty());
    EXPECT_EQ(Lines(run.out)[0], "餐饮语义分析器版本：V3.00.03.00");

    EXPECT_EQ(FilesUnder("out"), (std::vector<std::string>{
                                     "appParameterDataVm/appPar.json",
                                     "appParameterDataVm/binBytes.bin",
                                     "appParameterDataVm/recipeVersion.txt",
                                     "appParameterDataVm/taskInfo/a.json",
                                     "appParameterDataVm/taskInfo/b.json",
                                     "program.rcp",
                                 }));
    EXPECT_EQ(Read("out/appParameterDataVm/recipeVersion.txt"), "\"1.2\"");
    EXPECT_EQ(Read("out/appParameterDataVm/appPar.json"), "{}");
    EXPECT_EQ(Read("out/appParameterDataVm/taskInfo/a.json"),
              Read("out/appParameterDataVm/taskInfo/b.json"))
        << "every row of a split table receives the whole table";
    // Each block on its own source line, comment and blank lines left empty.
    EXPECT_EQ(Read("out/program.rcp"), "\n\noven.temp > 150 => fan = 1\n\n");
    EXPECT_EQ(Read("bundle/appParameterDataVm/appPar.json"), "{ }")
        << "the bundle is never modified";

    // One JSON line per call, and every listing call was one line of standard output.
    const std::vector<std::string> log = Lines(Read("log.jsonl"));
    ASSERT_EQ(log.size(), Lines(run.out).size());
    EXPECT_EQ(log[0], "{\"op\":\"Print\",\"kind\":0,\"text\":\"餐饮语义分析器版本：V3.00.03.00\"}");

    const KvcResult inspect = Run({"inspect", "out/appParameterDataVm/binBytes.bin"});
    EXPECT_EQ(inspect.exitCode, 0) << inspect.err;
}

TEST_F(KvcCompile, SyntaxErrorsArePointedAtAndNothingIsAnalysedOrWritten) {
    Recipe("a = 1\nheat(180\n");
    const KvcResult run =
        Run({"compile", "bundle", "recipe.rcp", "-o", "out", "--log-json", "log.jsonl"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "") << "the analyzer was never created";
    const std::vector<std::string> err = Lines(run.err);
    ASSERT_EQ(err.size(), 4u) << run.err;
    EXPECT_EQ(err[0].rfind("recipe.rcp:2:", 0), 0u) << err[0];
    EXPECT_NE(err[0].find(": error["), std::string::npos) << err[0];
    EXPECT_EQ(err[1], "heat(180");
    EXPECT_EQ(err[2].back(), '^');
    EXPECT_EQ(err[3], "1 error generated.");
    EXPECT_FALSE(Exists("out"));
    const std::vector<std::string> log = Lines(Read("log.jsonl"));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind("{\"op\":\"ReportErrorAt\",\"code\":", 0), 0u) << log[0];
    EXPECT_NE(log[0].find("\"line\":2,"), std::string::npos) << log[0];
}

TEST_F(KvcCompile, WithSyntaxErrorsTheTablesAreNeverHeardOfThoughTheyAreBad) {
    // The analyzer reads the tables while the recipe is parsed; what it says waits for the
    // parse and is forgotten when the recipe does not parse.
    BundleFile("appParameterDataLc/resource.json", "[{\"name\":\"盐\",\"code\":\"\"}]");
    Recipe("a = 1\nheat(180\n");
    const KvcResult run =
        Run({"compile", "bundle", "recipe.rcp", "-o", "out", "--log-json", "log.jsonl"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.find("2002"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("1 error generated."), std::string::npos) << run.err;
    EXPECT_EQ(Lines(Read("log.jsonl")).size(), 1u);
}

TEST_F(KvcCompile, LoadErrorsOfTheLibraryNameTheBundleAndExitOne) {
    BundleFile("appParameterDataLc/resource.json", "[{\"name\":\"盐\",\"code\":\"\"}]");
    const KvcResult run = Run({"compile", "bundle", "recipe.rcp", "-o", "out"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "bundle: error[2002]: 餐饮输入数据错误:资源表中<盐>对应的id为空!\n"
              "bundle/appParameterDataLc/resource.json: note: 出错的条目：[0].code\n"
              "1 error generated.\n");
    EXPECT_FALSE(Exists("out")) << "a compile that reported errors writes no output";
}

TEST_F(KvcCompile, CheckerErrorsPointAtTheCallInTheRecipe) {
    BundleFile("host/functions.json",
               "[{\"name\":\"heat\",\"fullName\":\"oven.heat\",\"functionNo\":1,\"devIndex\":0,"
               "\"methodPath\":\"dev.oven.heat\"}]");
    Recipe("a = 1\n  heat(180)\n");
    const KvcResult run =
        Run({"compile", "bundle", "recipe.rcp", "-o", "out", "--log-json", "log.jsonl"});
    EXPECT_EQ(run.exitCode, 1);
    const std::string expected =
        "recipe.rcp:2:3: error[2002]: 函数参数值描述表中没有找到函数--<heat>对应的函数值描述\n"
        "  heat(180)\n"
        "  ^~~~~~~~~\n"
        "bundle/appParameterDataLc/functionParasValueDes.json: note: 表中没有<heat>的条目\n";
    EXPECT_EQ(run.err.substr(0, expected.size()), expected);
    EXPECT_NE(
        Read("log.jsonl")
            .find("{\"op\":\"ReportErrorAtWithData\",\"code\":2002,\"line\":2,\"column\":3,"
                  "\"level\":3,\"text\":\"函数参数值描述表中没有找到函数--<heat>对应的函数值描述\","
                  "\"extra\":\"\",\"data\":{}}\n"),
        std::string::npos);
}

TEST_F(KvcCompile, EveryBadInputGetsOneMessageExitTwoAndAnUntouchedOutputDirectory) {
    dir.Write("w/binary.rcp", std::string("a = 1\n\0", 7));
    dir.Write("w/taken", "a file");
    dir.Write("w/program.rcp", "a = 1\n");
    std::filesystem::create_directories(dir.Path() / "w/out");
    struct Case {
        std::vector<std::string> arguments;
        std::string message;  // the whole of standard error
    };
    const Case cases[] = {
        {{"compile", "nobundle", "recipe.rcp", "-o", "out"},
         "kvc: error: nobundle: does not exist\n"},
        {{"compile", "recipe.rcp", "recipe.rcp", "-o", "out"},
         "kvc: error: recipe.rcp: is not a directory\n"},
        {{"compile", "bundle", "none.rcp", "-o", "out"}, "kvc: error: none.rcp: does not exist\n"},
        {{"compile", "bundle", "bundle", "-o", "out"},
         "kvc: error: bundle: is not a regular file\n"},
        {{"compile", "bundle", "binary.rcp", "-o", "out"},
         "kvc: error: binary.rcp: is a binary file (it holds a NUL byte), not a recipe\n"},
        {{"compile", "bundle", "recipe.rcp", "-o", "taken"},
         "kvc: error: taken: cannot be used as the output directory: it is not a directory\n"},
        {{"compile", "bundle", "recipe.rcp", "-o", "taken/out"},
         "kvc: error: taken/out: cannot be used as the output directory: a part of its path is a "
         "file\n"},
        {{"compile", "bundle", "recipe.rcp", "-o", "./bundle/"},
         "kvc: error: ./bundle/: cannot be used as the output directory: it is the bundle, which "
         "is never modified\n"},
        {{"compile", "bundle", "recipe.rcp", "-o", "bundle/out"},
         "kvc: error: bundle/out: cannot be used as the output directory: it lies inside the "
         "bundle, which is never modified\n"},
        {{"compile", "bundle", "recipe.rcp", "-o", "out", "--log-json",
          "bundle/appParameterDataVm/appPar.json"},
         "kvc: error: bundle/appParameterDataVm/appPar.json: cannot be used as the JSON log: it "
         "lies inside the bundle, which is never modified\n"},
        {{"compile", "bundle", "recipe.rcp", "-o", "out", "--log-json", "out"},
         "kvc: error: out: cannot be used as the JSON log: it is a directory\n"},
        {{"compile", "bundle", "recipe.rcp", "-o", "out", "--log-json", "taken/log"},
         "kvc: error: taken/log: cannot be used as the JSON log: a part of its path is a file\n"},
        {{"compile", "bundle", "recipe.rcp", "-o", "out", "--log-json", "./recipe.rcp"},
         "kvc: error: ./recipe.rcp: cannot be written: it is the recipe being compiled\n"},
        {{"compile", "bundle", "program.rcp", "-o", "."},
         "kvc: error: " +
             WithNativePath("./program.rcp: cannot be written: it is the recipe being compiled") +
             "\n"},
    };
    for (const Case& c : cases) {
        const KvcResult run = Run(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.message;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "") << c.message;
        EXPECT_TRUE(FilesUnder("out").empty()) << c.message;
    }
    EXPECT_EQ(Read("taken"), "a file");
    EXPECT_EQ(Read("program.rcp"), "a = 1\n");
    EXPECT_EQ(Read("recipe.rcp"), "// demo\n\noven.temp > 150 => fan = 1\n// end\n");
    EXPECT_EQ(Read("bundle/appParameterDataVm/appPar.json"), "{ }");
    EXPECT_FALSE(Exists("bundle/out"));
}

TEST_F(KvcCompile, BadBundleFilesAreNamedWithTheirPath) {
    std::filesystem::create_directories(dir.Path() / "w/out");
    BundleFile("appParameterDataLc/unit.json", "[1,");
    KvcResult run = Run({"compile", "bundle", "recipe.rcp", "-o", "out"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(
        run.err.rfind(
            "kvc: error: " + WithNativePath("bundle/appParameterDataLc/unit.json: is not JSON: "),
            0),
        0u)
        << run.err;
    EXPECT_EQ(Lines(run.err).size(), 1u);

    BundleFile("appParameterDataLc/unit.json", "[]");
    BundleFile("host/functions.json", "{\"name\":\"heat\"}");
    run = Run({"compile", "bundle", "recipe.rcp", "-o", "out"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err,
              "kvc: error: " +
                  WithNativePath("bundle/host/functions.json: must hold a JSON array of objects") +
                  "\n");
    EXPECT_TRUE(FilesUnder("out").empty());
}

TEST_F(KvcCompile, BadArgumentsExitTwo) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {},
             {"compile", "bundle", "recipe.rcp"},
             {"compile", "bundle", "-o", "out"},
             {"compile", "bundle", "recipe.rcp", "-o", "out", "--frobnicate"},
             {"compile", "bundle", "recipe.rcp", "-o", ""},
             {"compile", "bundle", "recipe.rcp", "-o", "out", "--log-json", ""},
             {"frobnicate"},
             {"inspect"}}) {
        const KvcResult run = Run(arguments);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_NE(run.err, "");
        EXPECT_FALSE(Exists("out"));
    }
}

// The milliseconds of each line of a time report, by the phase's name; the title goes first.
std::vector<std::pair<std::string, double>> TimeReport(const std::string& err) {
    std::vector<std::pair<std::string, double>> phases;
    const std::vector<std::string> lines = Lines(err);
    const auto title =
        std::find(lines.begin(), lines.end(), "kvc: time report, wall-clock milliseconds");
    if (title == lines.end()) return phases;
    for (auto line = title + 1; line != lines.end(); ++line) {
        const std::size_t number = line->find_last_of(' ');
        phases.emplace_back(line->substr(2, line->find_last_not_of(' ', number) - 1),
                            std::stod(line->substr(number + 1)));
    }
    return phases;
}

TEST_F(KvcCompile, TimeReportFollowsTheCompileAndChangesNothingElse) {
    const KvcResult plain = Run({"compile", "bundle", "recipe.rcp", "-o", "plain"});
    const KvcResult timed =
        Run({"compile", "bundle", "recipe.rcp", "-o", "timed", "--time-report"});
    EXPECT_EQ(timed.exitCode, 0);
    EXPECT_EQ(timed.out, plain.out);
    EXPECT_EQ(Read("timed/program.rcp"), Read("plain/program.rcp"));

    const auto phases = TimeReport(timed.err);
    ASSERT_EQ(phases.size(), 9u) << timed.err;
    const std::vector<std::string> names = {"read the recipe",
                                            "load the bundle",
                                            "read the tables, check the table files",
                                            "wait for the parse",
                                            "prepare the analysis",
                                            "analysis",
                                            "write the outputs",
                                            "total",
                                            "parse, on its own thread"};
    double sum = 0;
    for (std::size_t i = 0; i < phases.size(); ++i) {
        EXPECT_EQ(phases[i].first, names[i]);
        EXPECT_GE(phases[i].second, 0.0);
        if (i < 7) sum += phases[i].second;
    }
    // Each shown to a tenth of a millisecond.
    EXPECT_NEAR(phases[7].second, sum, 0.05 * 8) << timed.err;

    // A compile that stops shows what it went through, after why it stopped.
    const KvcResult stopped =
        Run({"compile", "no-bundle", "recipe.rcp", "-o", "out", "--time-report"});
    EXPECT_EQ(stopped.exitCode, 2);
    EXPECT_EQ(stopped.err.rfind("kvc: error: ", 0), 0u) << stopped.err;
    const auto reached = TimeReport(stopped.err);
    ASSERT_EQ(reached.size(), 2u) << stopped.err;
    EXPECT_EQ(reached[0].first, "read the recipe");
    EXPECT_EQ(reached[1].first, "total");
}

TEST_F(KvcCompile, VersionAndHelp) {
    KvcResult run = Run({"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, std::string("kvc ") + KV_PROJECT_VERSION + "\n");

    run = Run({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("compile"), std::string::npos);
    EXPECT_NE(run.out.find("inspect"), std::string::npos);

    run = Run({"compile", "--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("--log-json"), std::string::npos);
}

}  // namespace
