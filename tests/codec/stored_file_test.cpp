// Exact bytes of stored files, and CompressFile and DecompressFile on disk:
// folders, failures and what they leave behind.
#include <gtest/gtest.h>

#include <optional>

#include "codec_test_util.h"
#include "tests/support/io_faults.h"
#include "tests/support/recorders.h"
#include "tests/support/sample_data.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

// Written out by hand from the token grammar: a literal is 1 + 8 bits, a
// match 0 + 14-bit position + 4-bit length code, the end 0 + 14 zero bits.
TEST(StoredFile, BytesAreExact) {
    const std::pair<Bytes, Bytes> table[] = {
        {{}, {0, 0, 0, 0, 0, 0}},
        {ToBytes("a"), {1, 0, 0, 0, 0xB0, 0x80, 0x00}},
        {ToBytes("abc"), {3, 0, 0, 0, 0xB0, 0xD8, 0xAC, 0x60, 0, 0}},
        {ToBytes("aaaa"), {4, 0, 0, 0, 0xB0, 0x80, 0x01, 0, 0, 0}},  // match from position 1
        {Bytes(30, 'a'), {30, 0, 0, 0, 0xB0, 0x80, 0x01, 0xF0, 0x02, 0x70, 0, 0}},
    };
    for (const auto& [content, stored] : table) {
        auto work = std::make_unique<LzssWindow>();
        EXPECT_EQ(FastCompress(content, *work), stored) << content.size() << " bytes";
    }
}

TEST(CompressFile, WritesTheStoredFileAndItsFoldersButNothingForAMissingInput) {
    TempDir dir;
    RecordingMessageBox boxes;
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(CompressFile(dir / "missing", dir / "sub/out.aup", *work), 0);
    EXPECT_FALSE(fs::exists(dir / "sub"));
    WriteFile(dir / "in", "");
    EXPECT_EQ(CompressFile(dir / "in", dir / "a/b/c/out.aup", *work), 1);
    EXPECT_EQ(ReadFile(dir / "a/b/c/out.aup"), Bytes(6, 0));
    EXPECT_TRUE(boxes.Shown().empty());
}

// Each way the output can fail: "error write file" with the output as
// caption, no temporary left, and the old stored file as it was.
TEST(CompressFile, FailedOutputKeepsTheOldStoredFile) {
    const std::pair<const char*, std::size_t> table[] = {
        {"blocker/out.aup", SIZE_MAX},  // a file where a folder should be
        {"out.aup", 0},                 // injected: the write fails at once
        {"out.aup", 1000},              // injected: the write fails part way
        {"dir.aup", SIZE_MAX},          // a folder at the output
    };
    for (const auto& [output, failAfter] : table) {
        SCOPED_TRACE(::testing::Message() << output << " failing after " << failAfter);
        TempDir dir;
        WriteFile(dir / "in", RandomBytes(20000, 1));
        WriteFile(dir / "blocker", "file, not a folder");
        WriteFile(dir / "out.aup", "old");
        fs::create_directory(dir / "dir.aup");
        RecordingMessageBox boxes;
        std::optional<FailingIo> fault;
        if (failAfter != SIZE_MAX) {
            fault.emplace(FaultOn::kWrite, "out.aup", failAfter, ENOSPC);
        }
        auto work = std::make_unique<LzssWindow>();
        EXPECT_EQ(CompressFile(dir / "in", dir / output, *work), 0);
        EXPECT_EQ(boxes.Shown(), (std::vector<ShownMessage>{{"error write file", dir / output}}));
        EXPECT_EQ(ReadFile(dir / "out.aup"), ToBytes("old"));
        EXPECT_EQ(ListFolder(dir.Path()),
                  (std::vector<std::string>{"blocker", "dir.aup", "in", "out.aup"}));
    }
}

TEST(CompressFile, ContentOf2GiBIsRefusedWithoutWriting) {
    TempDir dir;
    WriteFile(dir / "huge", "");
    fs::resize_file(dir / "huge", std::uintmax_t{1} << 31);  // sparse: nothing is read
    RecordingMessageBox boxes;
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(CompressFile(dir / "huge", dir / "huge.aup", *work), 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, dir / "huge");
    EXPECT_FALSE(fs::exists(dir / "huge.aup"));
}

TEST(DecompressFile, UnreadableOrHeaderlessFilesGiveNoContent) {
    TempDir dir;
    auto work = std::make_unique<LzssWindow>();
    Bytes content = ToBytes("stale");
    EXPECT_EQ(DecompressFile(dir / "missing", *work, content), 0);
    EXPECT_TRUE(content.empty());
    for (const Bytes& shortFile : {Bytes{}, Bytes{5, 0, 0}, Bytes{0, 0, 0, 0}}) {
        WriteFile(dir / "short.aup", shortFile);
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(DecompressFile(dir / "short.aup", *work, content), 0);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Fatal error in InputBit!\n");
        EXPECT_TRUE(content.empty());
    }
    WriteFile(dir / "ok.aup", Bytes{9, 9, 9, 9, 0xB0, 0x80, 0x00});  // length field not read
    EXPECT_EQ(DecompressFile(dir / "ok.aup", *work, content), 1);
    EXPECT_EQ(content, ToBytes("a"));
    // ...but a stored file whose length field disagrees is not whole.
    EXPECT_EQ(DecompressStoredFile(dir / "ok.aup", *work, content),
              StoredFileState::kLengthDisagrees);
    WriteFile(dir / "ok.aup", Bytes{1, 0, 0, 0, 0xB0, 0x80, 0x00});
    EXPECT_EQ(DecompressStoredFile(dir / "ok.aup", *work, content), StoredFileState::kWhole);
}

}  // namespace
}  // namespace kelvarin::test
