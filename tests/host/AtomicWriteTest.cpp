// Tests of output writing: single files written whole, output sets swapped in as one, and
// the temporaries that killed runs leave behind.
#include <gtest/gtest.h>

#include <map>
#include <new>
#include <string>
#include <string_view>

#include "host/AtomicWrite.h"
#include "host/OutputSet.h"
#include "host/PlatformFiles.h"
#include "host/TestTempDir.h"
#include "host/TreeSnapshot.h"

namespace {

namespace fs = std::filesystem;
using kv::host::ReplaceOutputSet;
using kv::host::WriteFileAtomically;
using kv::test::TestTempDir;
using kv::test::TreeSnapshot;
using Snapshot = std::map<std::string, std::string>;

TEST(AtomicWrite, WritesAFileWholeReplacingTheOldOneAndLeavesNoTemporary) {
    TestTempDir dir;
    const std::string bytes("\x00\x01\xFF\r\n", 5);
    ASSERT_FALSE(WriteFileAtomically({dir.Path() / "a/b/log.jsonl", bytes}));
    dir.Write("old.txt", "a much longer old text");
    ASSERT_FALSE(WriteFileAtomically({dir.Path() / "old.txt", "new"}));
    EXPECT_EQ(TreeSnapshot(dir.Path()), (Snapshot{{"a", "dir"},
                                                  {"a/b", "dir"},
                                                  {"a/b/log.jsonl", "file:" + bytes},
                                                  {"old.txt", "file:new"}}));
}

TEST(AtomicWrite, AProducedFileGetsItsPiecesInOrderAndAProducerOutOfMemoryChangesNothing) {
    TestTempDir dir;
    const auto pieces = [](const kv::host::PutBytes& put) {
        put("a = 1\n");
        put("");
        put(std::string_view("\0b\n", 3));
    };
    ASSERT_FALSE(WriteFileAtomically({dir.Path() / "program.rcp", "ignored", pieces}));
    dir.Write("old.rcp", "kept");
    const Snapshot before = TreeSnapshot(dir.Path());
    EXPECT_EQ(before.at("program.rcp"), "file:" + std::string("a = 1\n\0b\n", 9));

    const auto error =
        WriteFileAtomically({dir.Path() / "old.rcp", {}, [](const kv::host::PutBytes& put) {
                                 put("half");
                                 throw std::bad_alloc();
                             }});
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Describe(), (dir.Path() / "old.rcp").string() + ": cannot be written: " +
                                     std::make_error_code(std::errc::not_enough_memory).message());
    EXPECT_EQ(TreeSnapshot(dir.Path()), before);
}

TEST(AtomicWrite, AFailureNamesThePathAndLeavesEverythingAsItWas) {
    TestTempDir dir;
    dir.Write("blocker", "a file where a directory is needed");
    fs::create_directories(dir.Path() / "taken/inner");
    const Snapshot before = TreeSnapshot(dir.Path());

    auto error = WriteFileAtomically({dir.Path() / "blocker/new/log.jsonl", "1"});
    ASSERT_TRUE(error);
    EXPECT_EQ(error->exitCode, 2);
    EXPECT_NE(error->Describe().find("blocker"), std::string::npos) << error->Describe();

    error = WriteFileAtomically({dir.Path() / "taken", "2"});
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Describe(), (dir.Path() / "taken").string() + ": cannot be written: " +
                                     std::make_error_code(std::errc::is_a_directory).message());
    EXPECT_EQ(TreeSnapshot(dir.Path()), before);
}

#ifndef _WIN32
TEST(AtomicWrite, ALinkIsFollowedAndADeviceWrittenInPlaceWithItsFailureSeen) {
    TestTempDir dir;
    dir.Write("target.txt", "old");
    fs::create_symlink("target.txt", dir.Path() / "to-file");
    fs::create_symlink("/dev/full", dir.Path() / "to-full");

    ASSERT_FALSE(WriteFileAtomically({dir.Path() / "to-file", "new"}));
    // A full device fails only when the bytes are flushed.
    const auto error = WriteFileAtomically({dir.Path() / "to-full", "lost"});
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Describe(), (dir.Path() / "to-full").string() + ": cannot be written: " +
                                     std::make_error_code(std::errc::no_space_on_device).message());
    EXPECT_EQ(TreeSnapshot(dir.Path()), (Snapshot{{"target.txt", "file:new"},
                                                  {"to-file", "link:target.txt"},
                                                  {"to-full", "link:/dev/full"}}));
}

TEST(Leftovers, OnlyTemporariesOfEndedProcessesAreRemoved) {
    TestTempDir dir;
    // 99999999 lies beyond any process id the system hands out; process 1 always runs.
    dir.Write(".out.kvc-99999999-abc123/appParameterDataVm/binBytes.bin", "left by a kill");
    dir.Write(".out.kvc-99999999-0z9y8x", "");
    dir.Write(".out.kvc-1-abc123", "");
    dir.Write(".out.kvc-99999999-ABC123", "");
    dir.Write(".out.kvc-99999999-abc12", "");
    dir.Write(".out.kvc-notes", "");
    dir.Write(".outer.kvc-99999999-abc123", "");
    dir.Write("out/.out.kvc-99999999-abc123", "");
    kv::host::RemoveLeftoversOf(dir.Path() / "out");

    std::vector<std::string> kept;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        kept.push_back(entry.path().filename().string());
    }
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{".out.kvc-1-abc123", ".out.kvc-99999999-ABC123",
                                              ".out.kvc-99999999-abc12", ".out.kvc-notes",
                                              ".outer.kvc-99999999-abc123", "out"}));

    const std::string fresh = kv::host::FreshTemporaryFor(dir.Path() / "out").filename().string();
    const std::string prefix = ".out.kvc-" + std::to_string(kv::host::CurrentProcessId()) + "-";
    EXPECT_EQ(fresh.rfind(prefix, 0), 0u) << fresh;
    EXPECT_EQ(fresh.size(), prefix.size() + 6) << fresh;
}
#endif

TEST(OutputSet, AFolderGivenByALinkIsReplacedWhereItLeadsAndTheLinkStays) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows, and Wine makes none";
#endif
    TestTempDir dir;
    dir.Write("real/program.rcp", "old");
    fs::create_directory_symlink("real", dir.Path() / "via");
    ASSERT_FALSE(ReplaceOutputSet(dir.Path() / "via", {{"program.rcp", "new"}}));
    EXPECT_EQ(TreeSnapshot(dir.Path()),
              (Snapshot{{"real", "dir"}, {"real/program.rcp", "file:new"}, {"via", "link:real"}}));
}

TEST(OutputSet, AFailureLeavesTheOldSetAsItWasAndNothingBesideIt) {
    TestTempDir dir;
    // The second output needs program.rcp to be a folder, so it cannot be written.
    const std::vector<kv::host::OutputFile> clashing{{"program.rcp", "p"},
                                                     {"program.rcp/inner", "x"}};
    dir.Write("out/program.rcp", "old");
    const Snapshot before = TreeSnapshot(dir.Path());
    auto error = ReplaceOutputSet(dir.Path() / "out", clashing);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Describe().rfind((dir.Path() / "out" / "program.rcp/inner").string() +
                                          ": cannot be written: cannot create the directory: ",
                                      0),
              0u)
        << error->Describe();
    EXPECT_EQ(TreeSnapshot(dir.Path()), before);

    error = ReplaceOutputSet(dir.Path() / "new/out", clashing);
    ASSERT_TRUE(error);
    EXPECT_EQ(TreeSnapshot(dir.Path()), before) << "the folders made for it are gone again";
}

}  // namespace
