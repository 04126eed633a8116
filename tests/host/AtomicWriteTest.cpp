// Tests of output writing: all files or none, never a temporary left behind.
#include <gtest/gtest.h>

#include "host/AtomicWrite.h"
#include "host/TestTempDir.h"

namespace {

using kvhost::OutputFile;
using kvhost::WriteFilesAtomically;
using kvtest::TestTempDir;

TEST(AtomicWrite, WritesEveryFileExactlyAndCreatesDirectories) {
    TestTempDir dir;
    const std::string bytes("\x00\x01\xFF\r\n", 5);
    const auto error = WriteFilesAtomically({{dir.Path() / "out/g/bin.bin", bytes},
                                             {dir.Path() / "out/program.rcp", "a\n\nb\n"},
                                             {dir.Path() / "log.jsonl", ""}});
    ASSERT_FALSE(error) << error->Describe();
    EXPECT_EQ(dir.Files(),
              (std::vector<std::string>{"log.jsonl", "out/g/bin.bin", "out/program.rcp"}));
    EXPECT_EQ(dir.Read("out/g/bin.bin"), bytes);
    EXPECT_EQ(dir.Read("out/program.rcp"), "a\n\nb\n");
}

TEST(AtomicWrite, ReplacesAnExistingFileWhole) {
    TestTempDir dir;
    dir.Write("out/x.txt", "a much longer old text");
    ASSERT_FALSE(WriteFilesAtomically({{dir.Path() / "out/x.txt", "new"}}));
    EXPECT_EQ(dir.Read("out/x.txt"), "new");
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"out/x.txt"}));
}

TEST(AtomicWrite, AFailingFileLeavesNothingOfTheBatch) {
    TestTempDir dir;
    dir.Write("blocker", "a file where a directory is needed");
    const auto error = WriteFilesAtomically(
        {{dir.Path() / "out/a/first.txt", "1"}, {dir.Path() / "blocker/second.txt", "2"}});
    ASSERT_TRUE(error);
    EXPECT_EQ(error->exitCode, 2);
    EXPECT_NE(error->Describe().find("blocker"), std::string::npos) << error->Describe();
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"blocker"}));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "out")) << "directories made are removed";
}

TEST(AtomicWrite, RefusesToReplaceADirectory) {
    TestTempDir dir;
    std::filesystem::create_directories(dir.Path() / "out/taken/inner");
    const auto error =
        WriteFilesAtomically({{dir.Path() / "out/ok.txt", "1"}, {dir.Path() / "out/taken", "2"}});
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Describe(), (dir.Path() / "out/taken").string() + ": cannot be written");
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "out/taken/inner"));
    EXPECT_TRUE(dir.Files().empty()) << "neither the other file nor a temporary is left";
}

}  // namespace
