// kvc at the edge between the user's UTF-8 files and the host's encoding (GBK on Windows):
// names, recipes in either encoding, and texts that cannot cross.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/TestTempDir.h"
#include "kvc/KvcRun.h"

namespace {

using kv::test::KvcResult;
using kv::test::RunKvc;
using kv::test::TestTempDir;
using kv::test::WithNativePath;

// A bundle that maps lines 1 and 2 to task t1 and calls no device.
class KvcEncoding : public ::testing::Test {
protected:
    KvcEncoding() {
        dir.Write("w/bundle/appParameterDataLc/appConfig.json", "{\"recipeVersion\":\"1.0\"}");
        dir.Write("w/bundle/appParameterDataLc/logicTaskRelated.json",
                  "{\"1\":\"t1\",\"2\":\"t1\"}");
        dir.Write("w/bundle/host/functions.json", "[]");
    }
    KvcResult Compile(const std::string& recipe, const std::string& encoding = "utf-8") {
        dir.Write("w/recipe.rcp", recipe);
        return RunKvc(dir.Path() / "w",
                      {"compile", "bundle", "recipe.rcp", "-o", "out", "--encoding=" + encoding});
    }

    TestTempDir dir;
};

TEST_F(KvcEncoding, ChineseFileAndFolderNamesAreUsedAsTyped) {
    dir.Write("w/菜谱/红烧.rcp", "task_t1 = 1\n");
    const KvcResult run =
        RunKvc(dir.Path() / "w", {"compile", "bundle", "菜谱/红烧.rcp", "-o", "输出"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "w" / std::filesystem::path(u8"输出") /
                                        "program.rcp"));
}

TEST_F(KvcEncoding, AGbkRecipeIsReportedAsItsUtf8TwinWithUtf8Columns) {
    // The unclosed parenthesis follows 加热 (six bytes in UTF-8, four in GBK): byte column 16 of
    // the UTF-8 line either way.
    const KvcResult utf8 = Compile("task_t1 = 1\na = \"\xE5\x8A\xA0\xE7\x83\xAD\"; f(\n");
    const KvcResult gbk = Compile("task_t1 = 1\na = \"\xBC\xD3\xC8\xC8\"; f(\n", "gbk");
    EXPECT_EQ(utf8.exitCode, 1);
    EXPECT_EQ(gbk.exitCode, 1);
    EXPECT_EQ(utf8.err.rfind("recipe.rcp:2:16: error[", 0), 0u) << utf8.err;
    EXPECT_EQ(gbk.err, utf8.err);
    EXPECT_EQ(gbk.out, utf8.out);
}

TEST_F(KvcEncoding, BytesThatAreNotTheDeclaredEncodingAreRefusedWithTheirPlace) {
    KvcResult run = Compile("task_t1 = 1\nx = \x81\x20\n", "gbk");
#ifdef _WIN32
    // GBK is the host's own encoding here: the recipe goes to the parser as it is, which
    // reports the byte as every malformed byte of a recipe in the host's encoding.
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("recipe.rcp:2:5: error[9001]: ", 0), 0u) << run.err;
#else
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "kvc: error: recipe.rcp:2:5: is not GBK text: malformed bytes here\n");
#endif
    run = Compile("task_t1 = 1\nx = \xFF\n", "latin1");
    EXPECT_EQ(run.exitCode, 2) << "an encoding kvc does not know";
}

TEST_F(KvcEncoding, ABundleTextTheHostCannotHoldIsRefusedOnlyWhereTheHostIsGbk) {
    // U+1F600 has no GBK form.
    dir.Write("w/bundle/appParameterDataLc/appConfig.json",
              "{\"recipeVersion\":\"1.0\xF0\x9F\x98\x80\"}");
    const KvcResult run = Compile("task_t1 = 1\n");
#ifdef _WIN32
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "kvc: error: " +
                           WithNativePath("bundle/appParameterDataLc/appConfig.json: holds a "
                                          "character the Windows host's GBK encoding cannot "
                                          "hold, at byte offset 21") +
                           "\n");
#else
    EXPECT_EQ(run.exitCode, 0) << run.err;
#endif
}

}  // namespace
