// kvc on recipes that compile but deserve a second look: warnings, and text that must not
// reach the terminal as it stands.
#include <gtest/gtest.h>

#include "host/TestTempDir.h"
#include "kvc/KvcRun.h"

namespace {

using kv::test::KvcResult;
using kv::test::RunKvc;
using kv::test::TestTempDir;

// A bundle that maps lines 1 to 6 to task t1 and calls no device.
class KvcRecipe : public ::testing::Test {
protected:
    KvcRecipe() {
        dir.Write("w/bundle/appParameterDataLc/appConfig.json", "{\"recipeVersion\":\"1.0\"}");
        dir.Write(
            "w/bundle/appParameterDataLc/logicTaskRelated.json",
            "{\"1\":\"t1\",\"2\":\"t1\",\"3\":\"t1\",\"4\":\"t1\",\"5\":\"t1\",\"6\":\"t1\"}");
        dir.Write("w/bundle/host/functions.json", "[]");
    }
    KvcResult Compile(const std::string& recipe) {
        dir.Write("w/recipe.rcp", recipe);
        return RunKvc(dir.Path() / "w", {"compile", "bundle", "recipe.rcp", "-o", "out"});
    }

    TestTempDir dir;
};

// Only <, <=, == and != say something else than "reached at".
TEST_F(KvcRecipe, ATimePointWrittenWithAnotherOperatorIsWarnedAboutAtTheOperator) {
    const KvcResult run = Compile(
        "task_t1 = 1\n"
        "time < 300 => task_t1 = 2\n"
        "time >= 400, time==500 => task_t1 = 3\n"
        "time > 600 => task_t1 = 4\n"
        "x < 1, time != 700 => task_t1 = 5\n"
        "time <= 800 => task_t1 = 6\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string readAs =
        "' has no effect on a time point, which is always reached at its time: it is read as "
        "'time >= ";
    EXPECT_EQ(run.err, "recipe.rcp:2:6: warning: the operator '<" + readAs +
                           "300'\n"
                           "time < 300 => task_t1 = 2\n"
                           "     ^\n"
                           "recipe.rcp:3:18: warning: the operator '==" +
                           readAs +
                           "500'\n"
                           "time >= 400, time==500 => task_t1 = 3\n"
                           "                 ^~\n"
                           "recipe.rcp:5:13: warning: the operator '!=" +
                           readAs +
                           "700'\n"
                           "x < 1, time != 700 => task_t1 = 5\n"
                           "            ^~\n"
                           "recipe.rcp:6:6: warning: the operator '<=" +
                           readAs +
                           "800'\n"
                           "time <= 800 => task_t1 = 6\n"
                           "     ^~\n"
                           "4 warnings generated.\n");
}

TEST_F(KvcRecipe, ControlCharactersOfARecipeLineAreShownEscapedWithTheCaretStillInPlace) {
    // The unclosed parenthesis at byte column 17 comes after an escape sequence that would
    // clear the screen, and a C1 control (U+009B, a one-character CSI to some terminals).
    const KvcResult run = Compile("a = \"\x1b[2J\"; heat(\xc2\x9b\n");
#ifdef _WIN32
    // GBK has no C1 controls: the Windows host cannot hand this recipe to the library at all.
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err,
              "kvc: error: recipe.rcp:1:18: holds a character the Windows host's GBK "
              "encoding cannot hold\n");
    return;
#endif
    EXPECT_EQ(run.exitCode, 1);
    for (const char c : run.err) {
        EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << static_cast<int>(c);
    }
    EXPECT_EQ(run.err.find("\xc2\x9b"), std::string::npos);
    EXPECT_EQ(run.err.rfind("recipe.rcp:1:17: error[", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("\na = \"\\u001b[2J\"; heat(\\u009b\n"
                           "                     ^\n"),
              std::string::npos)
        << run.err;
}

}  // namespace
