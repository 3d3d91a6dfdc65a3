// CompressFile on disk: folders made on the way, and failures that must
// leave an existing stored file exactly as it was, with no temporary behind.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "fileio/file_reader.h"
#include "fileio/folders.h"
#include "fileio/replace_file.h"
#include "tests/codec/codec_test_util.h"
#include "tests/support/recorders.h"
#include "tests/support/sample_data.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

TEST(CompressFile, CreatesEveryMissingFolder) {
    TempDir dir;
    WriteFile(dir / "in.txt", "abc");
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(CompressFile(dir / "in.txt", dir / "upd/data/deep/a.txt.aup", *work), 1);
    EXPECT_EQ(ReadFile(dir / "upd/data/deep/a.txt.aup"),
              (Bytes{0x03, 0, 0, 0, 0xB0, 0xD8, 0xAC, 0x60, 0, 0}));
    EXPECT_EQ(ListFolder(dir / "upd/data/deep"), std::vector<std::string>{"a.txt.aup"});
}

TEST(CompressFile, EmptyInputGivesSixZeroBytesAndItsFolders) {
    TempDir dir;
    WriteFile(dir / "empty", "");
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(CompressFile(dir / "empty", dir / "new/empty.aup", *work), 1);
    EXPECT_EQ(ReadFile(dir / "new/empty.aup"), Bytes(6, 0));
}

TEST(CompressFile, MissingInputLeavesNoTrace) {
    TempDir dir;
    RecordingMessageBox boxes;
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(CompressFile(dir / "missing", dir / "out/x.aup", *work), 0);
    EXPECT_FALSE(fs::exists(dir / "out"));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(CompressFile, UncreatableFolderReportsWriteError) {
    TempDir dir;
    WriteFile(dir / "in.txt", "content");
    WriteFile(dir / "blocker", "a file where a folder should be");
    RecordingMessageBox boxes;
    auto work = std::make_unique<LzssWindow>();
    const std::string output = dir / "blocker/sub/x.aup";
    EXPECT_EQ(CompressFile(dir / "in.txt", output, *work), 0);
    EXPECT_EQ(boxes.Shown(), (std::vector<ShownMessage>{{"error write file", output}}));
    EXPECT_EQ(ListFolder(dir.Path()), (std::vector<std::string>{"blocker", "in.txt"}));
}

TEST(CompressFile, DirectoryAtTheOutputPathIsLeftAlone) {
    TempDir dir;
    WriteFile(dir / "in.txt", "content");
    fs::create_directories(dir / "x.aup/inner");
    RecordingMessageBox boxes;
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(CompressFile(dir / "in.txt", dir / "x.aup", *work), 0);
    EXPECT_EQ(boxes.Shown().size(), 1u);
    EXPECT_TRUE(fs::is_directory(dir / "x.aup/inner"));
    EXPECT_EQ(ListFolder(dir.Path()), (std::vector<std::string>{"in.txt", "x.aup"}));
}

TEST(CompressFile, WriteFailingPartWayKeepsTheOldStoredFile) {
    // A file size limit makes the write fail after some bytes, as a full
    // disk would. It runs in a child so the limit does not touch the tests.
    TempDir dir;
    WriteFile(dir / "in.bin", RandomBytes(300000, 1));
    const Bytes old = ToBytes("the old stored file");
    WriteFile(dir / "out.aup", old);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100000, 100000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        auto work = std::make_unique<LzssWindow>();
        const int result = CompressFile(dir / "in.bin", dir / "out.aup", *work);
        ::_exit(result == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "CompressFile reported success";
    EXPECT_EQ(ReadFile(dir / "out.aup"), old);
    EXPECT_EQ(ListFolder(dir.Path()), (std::vector<std::string>{"in.bin", "out.aup"}));
}

TEST(CompressFile, ContentOf2GiBIsRefusedWithoutWriting) {
    TempDir dir;
    {
        // A sparse file: the size is all that matters, nothing is read.
        WriteFile(dir / "huge", "");
        fs::resize_file(dir / "huge", std::uintmax_t{1} << 31);
    }
    RecordingMessageBox boxes;
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(CompressFile(dir / "huge", dir / "huge.aup", *work), 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, dir / "huge");
    EXPECT_FALSE(fs::exists(dir / "huge.aup"));
}

TEST(CompressFile, ReplacesAnExistingStoredFileWhole) {
    TempDir dir;
    WriteFile(dir / "in.txt", "a");
    WriteFile(dir / "out.aup", RandomBytes(5000, 2));
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(CompressFile(dir / "in.txt", dir / "out.aup", *work), 1);
    EXPECT_EQ(ReadFile(dir / "out.aup"), (Bytes{0x01, 0, 0, 0, 0xB0, 0x80, 0x00}));
}

TEST(MakeDirectories, CreatesTheChainAndPassesOverFailures) {
    TempDir dir;
    EXPECT_EQ(MakeDirectories(dir / "a/b/c/"), 1);
    EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
    EXPECT_EQ(MakeDirectories(dir / "a/b/c"), 1);  // already there
    WriteFile(dir / "f", "x");
    EXPECT_EQ(MakeDirectories(dir / "f/g/h"), 1);
    EXPECT_FALSE(fs::exists(dir / "f/g"));
}

TEST(FileReplacing, TemporaryNamesAreRecognised) {
    TempDir dir;
    const Bytes data = ToBytes("published");
    ASSERT_TRUE(static_cast<bool>(WriteFileReplacing(dir / "list.xml", data)));
    EXPECT_EQ(ReadFile(dir / "list.xml"), data);
    EXPECT_EQ(ListFolder(dir.Path()), std::vector<std::string>{"list.xml"});
    EXPECT_FALSE(IsTemporaryFileName("list.xml"));
    EXPECT_FALSE(IsTemporaryFileName(".hidden"));
    EXPECT_TRUE(IsTemporaryFileName(".~kvtmp.4242.17"));
}

}  // namespace
}  // namespace kelvarin::test
