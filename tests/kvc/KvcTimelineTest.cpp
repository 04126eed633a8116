// kvc timeline and compile --timeline: the picture is written only for a recipe that compiles,
// and only where it takes the place of no input and no output. What it shows is compared with
// the goldens of the end-to-end tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/TestTempDir.h"
#include "kvc/KvcRun.h"

namespace {

namespace fs = std::filesystem;
using kv::test::KvcResult;
using kv::test::RunKvc;
using kv::test::TestTempDir;

// The bundle maps lines 2 to 4 to task a; fry(temp) takes 0 to 250.
const std::string kRecipe = "// fry\ntask_a = 1; fry(100); starttimer(3)\n";
const std::string kBadRecipe = "// fry\ntask_a = 1; fry(999)\n";

// A working folder "w" holding a copy of the markup case's bundle and a recipe.
class KvcTimeline : public ::testing::Test {
protected:
    KvcTimeline() {
        fs::create_directories(W(""));
        fs::copy(fs::path(KV_SOURCE_DIR) / "tests/e2e/timeline/markup/bundle", W("bundle"),
                 fs::copy_options::recursive);
        dir.Write("w/recipe.rcp", kRecipe);
    }

    fs::path W(const std::string& relative) const { return dir.Path() / "w" / relative; }
    KvcResult Run(const std::vector<std::string>& arguments) {
        return RunKvc(dir.Path() / "w", arguments);
    }
    // The files below w but for the bundle.
    std::vector<std::string> Written() const {
        std::vector<std::string> files;
        for (const std::string& file : dir.Files()) {
            if (file.rfind("w/bundle/", 0) != 0) files.push_back(file);
        }
        return files;
    }

    TestTempDir dir;
};

TEST_F(KvcTimeline, TimelineWritesThePictureAloneAndCompileTheSamePictureBesideItsOutputs) {
    const KvcResult drawn = Run({"timeline", "bundle", "recipe.rcp", "-o", "pic.svg"});
    EXPECT_EQ(drawn.exitCode, 0) << drawn.err;
    EXPECT_EQ(Written(), (std::vector<std::string>{"w/pic.svg", "w/recipe.rcp"}));
    const std::string picture = dir.Read("w/pic.svg");
    EXPECT_EQ(picture.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ", 0), 0u);
    EXPECT_NE(picture.find("<title>a step 1, line 2\nstarts at 0 s, end not known\n"),
              std::string::npos);

    const KvcResult compiled =
        Run({"compile", "bundle", "recipe.rcp", "-o", "out", "--timeline", "out/pic.svg"});
    EXPECT_EQ(compiled.exitCode, 0) << compiled.err;
    EXPECT_EQ(compiled.out, drawn.out);
    EXPECT_EQ(dir.Read("w/out/pic.svg"), picture);
    EXPECT_FALSE(dir.Read("w/out/program.rcp").empty());
}

TEST_F(KvcTimeline, ARecipeWithErrorsGetsItsDiagnosticsAndNoPicture) {
    dir.Write("w/recipe.rcp", kBadRecipe);
    dir.Write("w/pic.svg", "old");
    const KvcResult drawn = Run({"timeline", "bundle", "recipe.rcp", "-o", "pic.svg"});
    EXPECT_EQ(drawn.exitCode, 1);
    // Reported at the call.
    EXPECT_EQ(drawn.err.rfind("recipe.rcp:2:13: error[1003]: ", 0), 0u) << drawn.err;
    // Not even when the outputs are asked for in spite of the errors.
    const KvcResult compiled = Run({"compile", "bundle", "recipe.rcp", "-o", "out",
                                    "--write-on-error", "--timeline", "pic.svg"});
    EXPECT_EQ(compiled.exitCode, 1);
    EXPECT_EQ(compiled.err, drawn.err);
    EXPECT_EQ(dir.Read("w/pic.svg"), "old");
}

TEST_F(KvcTimeline, ThePictureTakesThePlaceOfNoInputAndNoOutput) {
    fs::create_directories(W("folder"));
    dir.Write("w/file.txt", "");
    const std::string prefix = "kvc: error: ";
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused{
        {{"timeline", "bundle", "recipe.rcp", "-o", "folder"},
         "folder: cannot be used as the timeline picture: it is a directory"},
        {{"timeline", "bundle", "recipe.rcp", "-o", "file.txt/pic.svg"},
         "file.txt/pic.svg: cannot be used as the timeline picture: a part of its path is a "
         "file"},
        {{"timeline", "bundle", "recipe.rcp", "-o", "recipe.rcp"},
         "recipe.rcp: cannot be written: it is the recipe being compiled"},
        {{"timeline", "bundle", "recipe.rcp", "-o", "bundle/pic.svg"},
         "bundle/pic.svg: cannot be used as the timeline picture: it lies inside the bundle, "
         "which is never modified"},
        {{"compile", "bundle", "recipe.rcp", "-o", "out", "--timeline", "out"},
         "out: cannot be used as the timeline picture: it is an output of this compile"},
        {{"compile", "bundle", "recipe.rcp", "-o", "out", "--timeline", "out/program.rcp"},
         "out/program.rcp: cannot be used as the timeline picture: it is an output of this "
         "compile"},
        {{"compile", "bundle", "recipe.rcp", "-o", "out", "--timeline",
          "out/appParameterDataVm/pic.svg"},
         "out/appParameterDataVm/pic.svg: cannot be used as the timeline picture: it is an "
         "output of this compile"},
        {{"compile", "bundle", "recipe.rcp", "-o", "out", "--log-json", "log.jsonl", "--timeline",
          "log.jsonl"},
         "log.jsonl: cannot be used as the timeline picture: it is an output of this compile"},
    };
    for (const auto& [arguments, message] : refused) {
        const KvcResult run = Run(arguments);
        EXPECT_EQ(run.exitCode, 2) << message;
        // The picture's path as typed.
        EXPECT_EQ(run.err, prefix + message + "\n");
    }
    EXPECT_EQ(Written(), (std::vector<std::string>{"w/file.txt", "w/recipe.rcp"}));
}

}  // namespace
