// End-to-end tests of what `kvc compile` writes: only when asked, as one set, never where the
// user did not ask, and every failed write is a failed run.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "host/PlatformFiles.h"
#include "host/TestTempDir.h"
#include "host/TreeSnapshot.h"
#include "kvc/KvcRun.h"
#include "kvc/SmallBundle.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

namespace fs = std::filesystem;
using kv::test::KvcResult;
using kv::test::KvcTemporariesIn;
using kv::test::Lines;
using kv::test::RunKvc;
using kv::test::TestTempDir;
using kv::test::TreeSnapshot;
using kv::test::WithNativePath;
using Snapshot = std::map<std::string, std::string>;

const std::string kCleanRecipe = "// demo\n\noven.temp > 150 => fan = 1\n// end\n";
// Compiles cleanly too, into a set that differs from the one above.
const std::string kOtherRecipe = "oven.temp > 160 => fan = 2\n";
// A table row the library rejects: the compile reports an error (exit 1) and still
// produces every output.
const std::string kBadResource = "[{\"name\":\"盐\",\"code\":\"\"}]";

// Every file a clean compile of this bundle writes, below the output folder.
const std::vector<std::string> kOutputFiles{
    "appParameterDataVm/appPar.json",       "appParameterDataVm/binBytes.bin",
    "appParameterDataVm/recipeVersion.txt", "appParameterDataVm/taskInfo/a.json",
    "appParameterDataVm/taskInfo/b.json",   "program.rcp"};

// A working folder "w" holding a bundle folder "bundle" and a recipe "recipe.rcp".
class KvcOutput : public ::testing::Test {
protected:
    KvcOutput() {
        kv::test::WriteSmallBundle(dir, "w/bundle");
        Write("recipe.rcp", kCleanRecipe);
    }

    fs::path W(const std::string& relative = "") const { return dir.Path() / "w" / relative; }
    void Write(const std::string& relative, const std::string& text) {
        dir.Write("w/" + relative, text);
    }
    std::string Read(const std::string& relative) const { return dir.Read("w/" + relative); }
    bool Exists(const std::string& relative) const {
        std::error_code ec;
        return fs::exists(fs::symlink_status(W(relative), ec));
    }
    KvcResult Run(const std::vector<std::string>& arguments) { return RunKvc(W(), arguments); }
    KvcResult Compile(const std::string& recipe, const std::string& outDir,
                      std::vector<std::string> more = {}) {
        std::vector<std::string> arguments{"compile", "bundle", recipe, "-o", outDir};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return Run(arguments);
    }
    // The regular files below w/relative, relative to it, sorted.
    std::vector<std::string> FilesUnder(const std::string& relative) const {
        std::vector<std::string> files;
        for (const auto& [name, kind] : TreeSnapshot(W(relative))) {
            if (kind.rfind("file:", 0) == 0) files.push_back(name);
        }
        return files;
    }

#ifndef _WIN32
    // Runs a shell command line in w, where `kvc` (and "$KVC") runs the kvc under test;
    // returns its status. Lines, so that a `&` in script cannot take the `cd` with it.
    int Shell(const std::string& script) const {
        const std::string command = "cd " + kv::test::QuoteArgument(W().string()) +
                                    " || exit 99\nKVC=" + kv::test::QuoteArgument(KVC_PATH) +
                                    "\nkvc() { \"$KVC\" \"$@\"; }\n" + script;
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
#endif

    TestTempDir dir;
};

// --- Outputs only when asked -----------------------------------------------------------------

TEST_F(KvcOutput, AFailedCompileWritesOnlyItsLogUnlessItsOutputsAreAskedFor) {
    Write("bundle/appParameterDataLc/resource.json", kBadResource);
    KvcResult run = Compile("recipe.rcp", "out", {"--log-json", "log.jsonl"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_FALSE(Exists("out")) << "not even the folder is made";
    EXPECT_NE(Read("log.jsonl").find("{\"op\":\"ReportErrorAt\",\"code\":2002,"), std::string::npos)
        << Read("log.jsonl");

    // An earlier run's outputs stay exactly as they were.
    Write("out/program.rcp", "from an earlier run");
    Write("out/appParameterDataVm/binBytes.bin", "old image");
    const Snapshot earlier = TreeSnapshot(W("out"));
    run = Compile("recipe.rcp", "out");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(TreeSnapshot(W("out")), earlier);

    run = Compile("recipe.rcp", "out", {"--write-on-error"});
    EXPECT_EQ(run.exitCode, 1) << "writing them does not make the errors go away";
    EXPECT_EQ(FilesUnder("out"), kOutputFiles);
    EXPECT_EQ(Read("out/program.rcp"), "\n\noven.temp > 150 => fan = 1\n\n");

    // After syntax errors nothing was analysed, so there is nothing to write.
    const Snapshot debugged = TreeSnapshot(W("out"));
    Write("recipe.rcp", "heat(180\n");
    run = Compile("recipe.rcp", "out", {"--write-on-error", "--log-json", "log.jsonl"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(TreeSnapshot(W("out")), debugged);
    EXPECT_EQ(Lines(Read("log.jsonl")).size(), 1u) << Read("log.jsonl");
}

// --- One set -----------------------------------------------------------------------------------

TEST_F(KvcOutput, TheNewSetReplacesKvcsEntriesWholeAndKeepsTheUsersOwn) {
    ASSERT_EQ(Compile("recipe.rcp", "reference").exitCode, 0);
    Snapshot expected = TreeSnapshot(W("reference"));

    Write("out/program.rcp", "old program");
    Write("out/appParameterDataVm/stale.bin", "left by an earlier run");
    Write("out/notes.txt", "mine");
    Write("out/my/deeper/file.txt", "deep");
    Write("out/recipe.rcp", kCleanRecipe);
    Write("out/logs/keep.txt", "keep");
    // What killed runs left beside the folder goes; what a running process owns stays
    // (process 1 always runs, 99999999 is beyond any process id).
    Write(".out.kvc-99999999-abc123/program.rcp", "half a set");
    // This test's own process stands for another run still going on.
    const std::string running =
        ".out.kvc-" + std::to_string(kv::host::CurrentProcessId()) + "-abc123";
    Write(running + "/program.rcp", "another run's");
    fs::create_hard_link(W("out/notes.txt"), W("second-name"));
#ifndef _WIN32
    fs::create_symlink("notes.txt", W("out/latest"));
    ASSERT_EQ(mkfifo(W("out/pipe").c_str(), 0600), 0);
    expected.insert({{"latest", "link:notes.txt"}, {"pipe", "other"}});
#endif

    const KvcResult run = Compile("out/recipe.rcp", "out", {"--log-json", "out/logs/run.jsonl"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Lines(Read("out/logs/run.jsonl")).size(), Lines(run.out).size());

    Snapshot actual = TreeSnapshot(W("out"));
    actual.erase("logs/run.jsonl");
    expected.insert({{"notes.txt", "file:mine"},
                     {"my", "dir"},
                     {"my/deeper", "dir"},
                     {"my/deeper/file.txt", "file:deep"},
                     {"recipe.rcp", "file:" + kCleanRecipe},
                     {"logs", "dir"},
                     {"logs/keep.txt", "file:keep"}});
    EXPECT_EQ(actual, expected) << "stale.bin goes with the old appParameterDataVm";
    EXPECT_TRUE(fs::equivalent(W("out/notes.txt"), W("second-name"))) << "kept, not copied";
    EXPECT_EQ(KvcTemporariesIn(W()), (std::vector<std::string>{running}));
}

#ifndef _WIN32
// Starts kvc with arguments in workDir, its output thrown away; returns its process id.
pid_t StartKvc(const fs::path& workDir, const std::vector<std::string>& arguments) {
    std::vector<std::string> words{KVC_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (chdir(workDir.c_str()) != 0 || null < 0) _exit(127);
        dup2(null, 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

TEST_F(KvcOutput, KilledAtAnyMomentTheFolderHoldsTheOldSetOrTheNewOne) {
    Write("other.rcp", kOtherRecipe);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Compile("recipe.rcp", "set-a").exitCode, 0);
    const auto runTime = std::chrono::steady_clock::now() - started;
    ASSERT_EQ(Compile("other.rcp", "set-b").exitCode, 0);
    Snapshot setA = TreeSnapshot(W("set-a"));
    Snapshot setB = TreeSnapshot(W("set-b"));
    ASSERT_NE(setA, setB);
    setA["notes.txt"] = setB["notes.txt"] = "file:mine";

    ASSERT_EQ(Compile("recipe.rcp", "out").exitCode, 0);
    Write("out/notes.txt", "mine");
    ASSERT_EQ(TreeSnapshot(W("out")), setA);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    std::mt19937 engine(seed);
    // Up to one and a half clean runs, so that kills fall early, late and after the end.
    std::uniform_int_distribution<long long> delay(
        0, std::chrono::duration_cast<std::chrono::microseconds>(runTime).count() * 3 / 2);
    bool holdsA = true;
    for (int attempt = 0; attempt < 30; ++attempt) {
        const pid_t child =
            StartKvc(W(), {"compile", "bundle", holdsA ? "other.rcp" : "recipe.rcp", "-o", "out"});
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(engine)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (WIFEXITED(status)) {
            EXPECT_EQ(WEXITSTATUS(status), 0) << "attempt " << attempt;
        }

        const Snapshot now = TreeSnapshot(W("out"));
        ASSERT_TRUE(now == setA || now == setB) << "attempt " << attempt << " left a mixed set";
        holdsA = now == setA;
    }

    ASSERT_EQ(Compile(holdsA ? "other.rcp" : "recipe.rcp", "out").exitCode, 0);
    EXPECT_EQ(TreeSnapshot(W("out")), holdsA ? setB : setA);
    EXPECT_TRUE(KvcTemporariesIn(W()).empty()) << "killed runs' temporaries are gone";
}
#endif

// --- Never where the user did not ask --------------------------------------------------------

TEST_F(KvcOutput, TheLogNeverTakesThePlaceOfAnOutput) {
    KvcResult run = Compile("recipe.rcp", "out", {"--log-json", "out/program.rcp"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err,
              "kvc: error: out/program.rcp: cannot be used as the JSON log: it is an output of "
              "this compile\n");
    EXPECT_EQ(run.out, "") << "refused before compiling";

    // The library's outputs are known only once it ran; the compile then writes nothing.
    for (const std::string log : {"out/appParameterDataVm/binBytes.bin", "out/appParameterDataVm",
                                  "out/appParameterDataVm/taskInfo"}) {
        run = Compile("recipe.rcp", "out", {"--log-json", log});
        EXPECT_EQ(run.exitCode, 2) << log;
        EXPECT_EQ(run.err, "kvc: error: " + log +
                               ": cannot be used as the JSON log: it is an output of this "
                               "compile\n");
        EXPECT_FALSE(Exists("out")) << log;
    }
}

TEST_F(KvcOutput, ARecipeOrBundleThatANewOutputWouldReplaceIsRefused) {
    Write("out/appParameterDataVm/r.rcp", kCleanRecipe);
    fs::copy(W("bundle"), W("out/appParameterDataVm/bundle"), fs::copy_options::recursive);
    const Snapshot before = TreeSnapshot(W("out"));

    KvcResult run = Compile("out/appParameterDataVm/r.rcp", "out");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "kvc: error: " +
                           WithNativePath("out/appParameterDataVm: cannot be replaced by an "
                                          "output: it holds the recipe being compiled") +
                           "\n");
    run = Run({"compile", "out/appParameterDataVm/bundle", "recipe.rcp", "-o", "out"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "kvc: error: " +
                           WithNativePath("out/appParameterDataVm: cannot be replaced by an "
                                          "output: it holds the bundle, which is never modified") +
                           "\n");
    EXPECT_EQ(TreeSnapshot(W("out")), before);
}

#ifndef _WIN32
TEST_F(KvcOutput, LinksInsideTheOutputFolderAreNeverWrittenThrough) {
    fs::create_directories(W("out"));
    fs::create_directories(W("elsewhere"));
    fs::create_symlink("../bundle/appParameterDataVm/appPar.json", W("out/program.rcp"));
    fs::create_directory_symlink("../bundle/appParameterDataVm", W("out/appParameterDataVm"));
    fs::create_directory_symlink("../elsewhere", W("out/logs"));
    const Snapshot bundle = TreeSnapshot(W("bundle"));
    const Snapshot out = TreeSnapshot(W("out"));
    const std::string refusal =
        ": is a symbolic link on the way to an output, and outputs are never written through "
        "links\n";

    KvcResult run = Compile("recipe.rcp", "out", {"--log-json", "out/logs/run.jsonl"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "kvc: error: out/logs" + refusal);
    EXPECT_EQ(run.out, "") << "refused before compiling";

    run = Compile("recipe.rcp", "out");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "kvc: error: out/appParameterDataVm" + refusal);
    fs::remove(W("out/appParameterDataVm"));
    run = Compile("recipe.rcp", "out");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "kvc: error: out/program.rcp" + refusal);

    EXPECT_EQ(TreeSnapshot(W("bundle")), bundle);
    EXPECT_TRUE(TreeSnapshot(W("elsewhere")).empty());
    Snapshot outNow = TreeSnapshot(W("out"));
    outNow["appParameterDataVm"] = out.at("appParameterDataVm");
    EXPECT_EQ(outNow, out);
}

TEST_F(KvcOutput, ALogOnAStreamPipeOrDeviceIsWrittenInPlace) {
    // "-": standard output holds the log alone, and no file of that name is made.
    KvcResult run = Compile("recipe.rcp", "out", {"--log-json", "-"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string log = run.out;
    const std::vector<std::string> lines = Lines(log);
    ASSERT_FALSE(lines.empty());
    for (const std::string& line : lines) EXPECT_EQ(line.rfind("{\"op\":\"", 0), 0u) << line;
    EXPECT_FALSE(Exists("-"));
    const std::string listing = Compile("recipe.rcp", "out").out;
    EXPECT_EQ(Lines(listing).size(), lines.size()) << "a listing line is a Print call";

    // A name for standard output (here a file): the listing stays, the log follows it.
    fs::create_symlink("/proc/self/fd/1", W("stdout"));
    run = Compile("recipe.rcp", "out", {"--log-json", "stdout"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, listing + log);

    // A device through a link: the link and the device stay what they are.
    fs::create_symlink("/dev/null", W("null"));
    run = Compile("recipe.rcp", "out", {"--log-json", "null"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(fs::read_symlink(W("null")), "/dev/null");
    EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character);

    // A named pipe is written for whoever reads it, and stays a pipe.
    ASSERT_EQ(mkfifo(W("pipe").c_str(), 0600), 0);
    // Both ends are bounded, so that a missing reader or writer fails instead of hanging.
    EXPECT_EQ(Shell("timeout 20 \"$KVC\" compile bundle recipe.rcp -o out --log-json pipe "
                    ">/dev/null 2>&1 &\ntimeout 20 cat pipe >from-pipe.txt\nwait $!"),
              0);
    EXPECT_EQ(Read("from-pipe.txt"), log);
    EXPECT_EQ(fs::symlink_status(W("pipe")).type(), fs::file_type::fifo);
    EXPECT_TRUE(KvcTemporariesIn(W()).empty());
}

// --- Every failed write is a failed run ------------------------------------------------------

TEST_F(KvcOutput, TheFileSizeLimitFailsTheRunAndLeavesNothingHalfWritten) {
    // program.rcp has a line per recipe line: well over the limit of one 512-byte block.
    std::string big;
    for (int i = 0; i < 700; ++i) big += "// comment\n";
    Write("big.rcp", big + "oven.temp > 150 => fan = 1\n");
    const std::string tooLarge = std::make_error_code(std::errc::file_too_large).message();

    EXPECT_EQ(Shell("ulimit -f 1; kvc compile bundle big.rcp -o out >/dev/null 2>err.txt"), 2);
    EXPECT_EQ(Read("err.txt"),
              "kvc: error: out/program.rcp: cannot be written: " + tooLarge + "\n");
    EXPECT_FALSE(Exists("out"));

    ASSERT_EQ(Compile("recipe.rcp", "out").exitCode, 0);
    const Snapshot earlier = TreeSnapshot(W("out"));
    EXPECT_EQ(Shell("ulimit -f 1; kvc compile bundle big.rcp -o out >/dev/null 2>err.txt"), 2);
    EXPECT_EQ(TreeSnapshot(W("out")), earlier);

    // The log of a small recipe is over the limit too.
    EXPECT_EQ(Shell("ulimit -f 1; kvc compile bundle recipe.rcp -o out --log-json log.jsonl "
                    ">/dev/null 2>err.txt"),
              2);
    EXPECT_EQ(Read("err.txt"), "kvc: error: log.jsonl: cannot be written: " + tooLarge + "\n");
    EXPECT_FALSE(Exists("log.jsonl"));
    EXPECT_EQ(TreeSnapshot(W("out")), earlier);
    EXPECT_TRUE(KvcTemporariesIn(W()).empty());
    EXPECT_TRUE(KvcTemporariesIn(W("out")).empty());
}

TEST_F(KvcOutput, AFullOrClosedStandardStreamFailsTheRun) {
    ASSERT_EQ(Compile("recipe.rcp", "image").exitCode, 0);
    const std::string failed = "kvc: error: standard output cannot be written\n";
    const std::string inspect = "kvc inspect image/appParameterDataVm/binBytes.bin";
    for (const std::string redirect : {">/dev/full", ">&-"}) {
        EXPECT_EQ(Shell(inspect + " " + redirect + " 2>err.txt"), 2) << redirect;
        EXPECT_EQ(Read("err.txt"), failed) << redirect;
        EXPECT_EQ(Shell(inspect + " --json " + redirect + " 2>err.txt"), 2) << redirect;
        EXPECT_EQ(Shell("kvc --help " + redirect + " 2>err.txt"), 2) << redirect;

        // The listing did not arrive, so the compile writes nothing either.
        EXPECT_EQ(Shell("kvc compile bundle recipe.rcp -o out --log-json log.jsonl " + redirect +
                        " 2>err.txt"),
                  2)
            << redirect;
        EXPECT_EQ(Read("err.txt"), failed) << redirect;
        EXPECT_FALSE(Exists("out")) << redirect;
        EXPECT_FALSE(Exists("log.jsonl")) << redirect;
    }

    // A pipe whose reader is gone (true has ended well before kvc starts writing).
    EXPECT_EQ(Shell("{ sleep 0.5; " + inspect + " 2>err.txt; echo $? >status.txt; } | true"), 0);
    EXPECT_EQ(Read("status.txt"), "2\n");
    EXPECT_EQ(Read("err.txt"), failed);

    // Diagnostics that cannot be shown fail the run as well.
    Write("bundle/appParameterDataLc/resource.json", kBadResource);
    EXPECT_EQ(Shell("kvc compile bundle recipe.rcp -o out >/dev/null 2>/dev/full"), 2);
}
#endif

}  // namespace
