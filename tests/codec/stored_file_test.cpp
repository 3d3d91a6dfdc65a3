// Exact bytes of stored files, and CompressFile and DecompressFile on disk:
// folders, failures and what they leave behind.
#include <gtest/gtest.h>

#include "codec_test_util.h"
#include "tests/support/io_faults.h"
#include "tests/support/recorders.h"
#include "tests/support/sample_data.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

struct ExactCase {
    const char* name;
    Bytes content;
    Bytes stored;
};

class StoredFileBytes : public ::testing::TestWithParam<ExactCase> {};

TEST_P(StoredFileBytes, AreExact) {
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(FastCompress(GetParam().content, *work), GetParam().stored);
}

// Written out by hand from the token grammar: a literal is 1 + 8 bits, a
// match 0 + 14-bit position + 4-bit length code, the end 0 + 14 zero bits.
INSTANTIATE_TEST_SUITE_P(
    Table, StoredFileBytes,
    ::testing::Values(
        ExactCase{"Empty", {}, {0, 0, 0, 0, 0, 0}},
        ExactCase{"OneLiteral", ToBytes("a"), {1, 0, 0, 0, 0xB0, 0x80, 0x00}},
        ExactCase{"ThreeLiterals", ToBytes("abc"), {3, 0, 0, 0, 0xB0, 0xD8, 0xAC, 0x60, 0, 0}},
        ExactCase{"LiteralThenMatchFromPositionOne",
                  ToBytes("aaaa"),
                  {4, 0, 0, 0, 0xB0, 0x80, 0x01, 0, 0, 0}},
        ExactCase{"LongestMatchThenShorter",
                  Bytes(30, 'a'),
                  {30, 0, 0, 0, 0xB0, 0x80, 0x01, 0xF0, 0x02, 0x70, 0, 0}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(CompressFile, WritesTheStoredFileAndEveryMissingFolder) {
    TempDir dir;
    WriteFile(dir / "in", "");
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(CompressFile(dir / "in", dir / "a/b/c/out.aup", *work), 1);
    EXPECT_EQ(ReadFile(dir / "a/b/c/out.aup"), Bytes(6, 0));
    WriteFile(dir / "in", "a");
    EXPECT_EQ(CompressFile(dir / "in", dir / "a/b/c/out.aup", *work), 1);  // replaced whole
    EXPECT_EQ(ReadFile(dir / "a/b/c/out.aup"), (Bytes{1, 0, 0, 0, 0xB0, 0x80, 0x00}));
}

TEST(CompressFile, MissingInputLeavesNoTrace) {
    TempDir dir;
    RecordingMessageBox boxes;
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(CompressFile(dir / "missing", dir / "sub/out.aup", *work), 0);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_FALSE(fs::exists(dir / "sub"));
}

// Each way the output can fail: "error write file" with the output as
// caption, no temporary left, and the old stored file as it was.
TEST(CompressFile, FailedOutputKeepsTheOldStoredFile) {
    struct Case {
        const char* what;
        const char* output;
        std::size_t failAfter;  // injected write failure; SIZE_MAX: none
    };
    for (const Case c :
         {Case{"folder in the way", "blocker/out.aup", SIZE_MAX},
          Case{"write fails at once", "out.aup", 0}, Case{"write fails part way", "out.aup", 1000},
          Case{"a folder at the output", "dir.aup", SIZE_MAX}}) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteFile(dir / "in", RandomBytes(20000, 1));
        WriteFile(dir / "blocker", "file, not a folder");
        WriteFile(dir / "out.aup", "old");
        fs::create_directory(dir / "dir.aup");
        RecordingMessageBox boxes;
        auto fault = c.failAfter == SIZE_MAX ? nullptr
                                             : std::make_unique<FailingIo>(
                                                   FaultOn::kWrite, "out.aup", c.failAfter, ENOSPC);
        auto work = std::make_unique<LzssWindow>();
        EXPECT_EQ(CompressFile(dir / "in", dir / c.output, *work), 0);
        EXPECT_EQ(boxes.Shown(), (std::vector<ShownMessage>{{"error write file", dir / c.output}}));
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
}

}  // namespace
}  // namespace kelvarin::test
