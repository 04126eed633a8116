// End-to-end tests of how `kvc compile` takes a bundle: what makes a folder a bundle, files it
// cannot read, text that is not UTF-8, and the warnings and notes on names.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "host/TestTempDir.h"
#include "kvc/KvcRun.h"
#include "kvc/SmallBundle.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using kv::test::KvcResult;
using kv::test::RunKvc;
using kv::test::TestTempDir;
using kv::test::WithNativePath;

// A working directory holding a bundle folder "bundle" that compiles cleanly, and a recipe.
class KvcBundle : public ::testing::Test {
protected:
    KvcBundle() {
        kv::test::WriteSmallBundle(dir, "w/bundle");
        dir.Write("w/recipe.rcp", "\n\noven.temp > 150 => fan = 1\n");
    }

    void BundleFile(const std::string& relative, const std::string& text) {
        dir.Write("w/bundle/" + relative, text);
    }
    fs::path BundlePath(const std::string& relative) const {
        return dir.Path() / "w" / "bundle" / relative;
    }
    KvcResult Compile(const std::string& bundle = "bundle", const std::string& flag = {}) {
        std::vector<std::string> arguments{"compile", bundle, "recipe.rcp", "-o", "out"};
        if (!flag.empty()) arguments.push_back(flag);
        return RunKvc(dir.Path() / "w", arguments);
    }
    bool Exists(const std::string& relative) const {
        return fs::exists(dir.Path() / "w" / relative);
    }

    // The compile must stop before writing anything, with message as its only output.
    void ExpectRefused(const std::string& message, const std::string& bundle = "bundle") {
        const KvcResult run = Compile(bundle);
        EXPECT_EQ(run.exitCode, 2) << message;
        EXPECT_EQ(run.err, "kvc: error: " + WithNativePath(message) + "\n");
        EXPECT_EQ(run.out, "") << message;
        EXPECT_FALSE(Exists("out")) << message;
    }

    TestTempDir dir;
};

TEST_F(KvcBundle, AFolderWithoutAKnownDatabaseOrAFunctionTableIsNoBundle) {
    const std::string lacksDatabases =
        ": is not an application bundle: it holds none of the database folders "
        "appParameterDataLc, appParameterDataVm, systemParameterDataLc";
    // The working folder holds a bundle, but is none itself.
    ExpectRefused("." + lacksDatabases, ".");
    // Names that are close are still not the names the library reads.
    dir.Write("w/typo/appParameterDataVM/appPar.json", "{}");
    dir.Write("w/typo/host/functions.json", "[]");
    ExpectRefused("typo" + lacksDatabases, "typo");
    // A database name that is no folder does not count as one.
    dir.Write("w/filed/appParameterDataVm", "{}");
    dir.Write("w/filed/host/functions.json", "[]");
    ExpectRefused("filed/appParameterDataVm: is not a directory", "filed");

    // Without its function table every call would go unchecked.
    const std::string functions = "bundle/host/functions.json: ";
    const std::string why = ": a bundle lists its host functions there ([] when it has none)";
    BundleFile("host/functions.json", " \n");
    ExpectRefused(functions + "is empty" + why);
    fs::remove(BundlePath("host/functions.json"));
    ExpectRefused(functions + "does not exist" + why);
    fs::remove(BundlePath("host"));
    ExpectRefused(functions + "does not exist" + why);

    // [] is a choice, and the variable table stays optional.
    BundleFile("host/functions.json", "[]");
    const KvcResult run = Compile();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
}

#ifndef _WIN32
// Makes a kvc that opened a FIFO for reading fail its test instead of hanging it: after a grace
// period a writer comes and goes, so that the read sees the end of the file.
class FifoUnblocker {
public:
    explicit FifoUnblocker(fs::path fifo) : fifo_(std::move(fifo)), thread_([this] { Run(); }) {}
    ~FifoUnblocker() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

private:
    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!wake_.wait_for(lock, std::chrono::seconds(10), [this] { return done_; })) {
            const int fd = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        }
    }

    fs::path fifo_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

TEST_F(KvcBundle, TableAndRowFilesThatCannotBeReadAreNamedWithTheReason) {
    const std::string dangling = ": is a symbolic link whose target does not exist";
    const std::string folder =
        ": is a directory: a table is a file NAME.json or a folder NAME of row files";
    const std::string fifo = ": is not a regular file: it is a FIFO";
    struct Case {
        std::string path;  // below the bundle
        enum { Link, Folder, Fifo } kind;
        std::string reason;
    };
    const Case cases[] = {
        {"appParameterDataLc/unit.json", Case::Link, dangling},
        {"appParameterDataVm/taskInfo/b.json", Case::Link, dangling},
        {"appParameterDataLc/oral.json", Case::Folder, folder},
        {"appParameterDataVm/taskInfo/b.json", Case::Folder, folder},
        {"appParameterDataLc/par.json", Case::Fifo, fifo},
        {"appParameterDataVm/taskInfo/b.json", Case::Fifo, fifo},
        {"host/functions.json", Case::Fifo, fifo},
    };
    for (const Case& c : cases) {
        const fs::path path = BundlePath(c.path);
        fs::remove(path);
        if (c.kind == Case::Link) fs::create_symlink("missing.json", path);
        if (c.kind == Case::Folder) dir.Write("w/bundle/" + c.path + "/1.json", "{}");
        if (c.kind == Case::Fifo) {
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        }
        {
            std::optional<FifoUnblocker> unblocker;
            if (c.kind == Case::Fifo) unblocker.emplace(path);
            ExpectRefused("bundle/" + c.path + c.reason);
        }
        fs::remove_all(path);
        if (c.path == "host/functions.json") BundleFile(c.path, "[]");
    }
    const KvcResult run = Compile();
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

TEST_F(KvcBundle, OfTwoFaultyTableFilesTheOneReadFirstIsNamed) {
    // Tables are read in name order; a file's text may be checked after later files are read,
    // yet the fault reported stays the first one met.
    const std::string notJson = ": is not JSON: holds a NUL byte";
    const std::string dangling = ": is a symbolic link whose target does not exist";
    BundleFile("appParameterDataLc/appConfig.json", std::string("{\0}", 3));
    fs::remove(BundlePath("appParameterDataLc/unit.json"));
    fs::create_symlink("missing.json", BundlePath("appParameterDataLc/unit.json"));
    ExpectRefused("bundle/appParameterDataLc/appConfig.json" + notJson);

    BundleFile("appParameterDataLc/appConfig.json", "{\"recipeVersion\":\"1.2\"}");
    BundleFile("appParameterDataVm/taskInfo/b.json", std::string("[\0]", 3));
    ExpectRefused("bundle/appParameterDataLc/unit.json" + dangling);
    fs::remove(BundlePath("appParameterDataLc/unit.json"));
    ExpectRefused("bundle/appParameterDataVm/taskInfo/b.json" + notJson);
}

TEST_F(KvcBundle, AnUnreadableTableFileIsRefused) {
    if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root from reading";
    fs::permissions(BundlePath("appParameterDataLc/appConfig.json"), fs::perms::none);
    ExpectRefused(
        "bundle/appParameterDataLc/appConfig.json: cannot be opened for reading: Permission "
        "denied");
    fs::permissions(BundlePath("appParameterDataLc/appConfig.json"), fs::perms::owner_all);
}

TEST_F(KvcBundle, TextThatIsNotUtf8IsRefusedWithTheFileAndTheByteOffset) {
    const std::string malformed = ": is not UTF-8 text: malformed bytes at byte offset ";
    struct Case {
        std::string path;
        std::string text;
        std::string offset;  // in the file, a byte-order mark included
    };
    const Case cases[] = {
        {"appParameterDataLc/appConfig.json", "{\"recipeVersion\":\"1.\xFF\"}", "20"},
        // A row of a split table, after a byte-order mark.
        {"appParameterDataVm/taskInfo/a.json", "\xEF\xBB\xBF{\"t\xE9\":{}}", "6"},
        // 加热 written in GBK.
        {"host/functions.json",
         "[{\"name\":\"\xBC\xD3\xC8\xC8\",\"fullName\":\"oven.heat\",\"functionNo\":1,"
         "\"devIndex\":0,\"methodPath\":\"m\"}]",
         "10"},
        {"host/midVariables.json", "[{\"fullName\":\"pot.\xE6\xB8\",\"devId\":1}]", "18"},
    };
    for (const Case& c : cases) {
        const std::string before = dir.Read("w/bundle/" + c.path);
        BundleFile(c.path, c.text);
        ExpectRefused("bundle/" + c.path + malformed + c.offset);
        BundleFile(c.path, before);
    }
    // Well-formed text in any script passes; a blank variable table is an empty one.
    BundleFile("appParameterDataLc/appConfig.json", "{\"recipeVersion\":\"红烧 1.2 😀\"}");
    const KvcResult run = Compile();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(dir.Read("w/out/appParameterDataVm/recipeVersion.txt"), "\"红烧 1.2 😀\"");
}

TEST_F(KvcBundle, NamesTheLibraryDoesNotReadAreWarnedAboutWithTheLikelyMeantName) {
    BundleFile("appParameterDataLc/logicInfos/1.json", "[]");
    BundleFile("appParameterDataLc/notes.json", "{}");
    BundleFile("appParameterDataVM/appPar.json", "{}");
    BundleFile("appParameterDataVm/appVariables.json", "[]");
    // Databases in byte order ('M' before 'm'), tables by name within each.
    const std::string warnings =
        "bundle/appParameterDataLc/logicInfos: warning: no table of this name is read; did you "
        "mean logicInfo?\n"
        "bundle/appParameterDataLc/notes.json: warning: no table of this name is read\n"
        "bundle/appParameterDataVM: warning: no database of this name is read; did you mean "
        "appParameterDataVm?\n"
        "bundle/appParameterDataVm/appVariables.json: warning: no table of this name is read; "
        "did you mean appVariable.json?\n";
    KvcResult run = Compile();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, warnings + "4 warnings generated.\n");
    EXPECT_TRUE(Exists("out/program.rcp")) << "warnings do not stop the compile";

    // Nor do they change the status of a compile that fails.
    dir.Write("w/recipe.rcp", "heat(\n");
    run = Compile();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.substr(0, warnings.size()), warnings);
    EXPECT_NE(run.err.find("recipe.rcp:1:"), std::string::npos) << run.err;
    EXPECT_TRUE(run.err.ends_with("\n4 warnings and 1 error generated.\n")) << run.err;
}

TEST_F(KvcBundle, TablesTheBundleLacksAreNotedOnlyWhenAskedFor) {
    KvcResult run = Compile();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");

    run = Compile("bundle", "--verbose");
    EXPECT_EQ(run.exitCode, 0);
    const std::string table = ": note: not in the bundle; the table is read as empty\n";
    std::string expected;
    for (const char* name : {"bsType", "functionParasValueDes", "ingredient", "logicInfo", "oral",
                             "par", "resource", "unit", "variableValueDes"}) {
        expected += "bundle/appParameterDataLc/" + std::string(name) + ".json" + table;
    }
    for (const char* name : {"appObject", "appVariable", "defaultData", "expandContent"}) {
        expected += "bundle/appParameterDataVm/" + std::string(name) + ".json" + table;
    }
    expected +=
        "bundle/systemParameterDataLc: note: not in the bundle; its tables are read as empty\n";
    EXPECT_EQ(run.err, expected);
}
#endif

}  // namespace
