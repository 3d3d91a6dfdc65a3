// CompareFileWithBuffer: equal content, a single changed byte wherever it
// lies, sizes decided before any content is read, and files that cannot be
// read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "import/compare_file.h"
#include "tests/import/import_test_util.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

constexpr std::size_t kChunk = kCompareChunkSize;

TEST(CompareFileWithBuffer, EqualContentIsOneAtEverySizeAroundAChunk) {
    TempDir dir;
    for (const std::size_t size :
         {std::size_t{1}, kChunk - 1, kChunk, kChunk + 1, 3 * kChunk + 5}) {
        const Bytes content = RandomBytes(size, static_cast<std::uint32_t>(size));
        WriteFile(dir / "f", content);
        EXPECT_EQ(CompareFileWithBuffer(content, dir / "f"), 1) << size;
    }
}

TEST(CompareFileWithBuffer, OneChangedByteIsFoundInTheFirstAMiddleAndTheLastChunk) {
    TempDir dir;
    const Bytes content = TextLike(5 * kChunk + 123, 7);
    WriteFile(dir / "f", content);
    for (const std::size_t at :
         {std::size_t{0}, kChunk - 1, kChunk, 2 * kChunk + 777, 5 * kChunk, content.size() - 1}) {
        Bytes changed = content;
        changed[at] ^= 0x01;
        EXPECT_EQ(CompareFileWithBuffer(changed, dir / "f"), 0) << "byte " << at;
    }
}

TEST(CompareFileWithBuffer, OneChangedByteIsFoundInASmallFile) {
    TempDir dir;
    const Bytes content = ToBytes("a small file of less than one chunk");
    WriteFile(dir / "f", content);
    for (std::size_t at = 0; at < content.size(); ++at) {
        Bytes changed = content;
        changed[at] = static_cast<std::uint8_t>(changed[at] + 1);
        EXPECT_EQ(CompareFileWithBuffer(changed, dir / "f"), 0) << "byte " << at;
    }
}

TEST(CompareFileWithBuffer, SizeDifferenceIsFoundWithoutReadingContent) {
    TempDir dir;
    const Bytes content = RandomBytes(3 * kChunk, 3);
    WriteFile(dir / "f", content);
    {
        const ReadWatch watch(dir / "f");
        const Bytes shorter(content.begin(), content.end() - 1);
        EXPECT_EQ(CompareFileWithBuffer(shorter, dir / "f"), 0);
        Bytes longer = content;
        longer.push_back(0);
        EXPECT_EQ(CompareFileWithBuffer(longer, dir / "f"), 0);
        EXPECT_FALSE(watch.ContentWasRead());
    }
    // The watch does see reads: an equal size makes the comparison read.
    const ReadWatch watch(dir / "f");
    EXPECT_EQ(CompareFileWithBuffer(content, dir / "f"), 1);
    EXPECT_TRUE(watch.ContentWasRead());
}

TEST(CompareFileWithBuffer, EmptyFileEqualsEmptyBufferWithOrWithoutStorage) {
    TempDir dir;
    WriteFile(dir / "empty", "");
    EXPECT_EQ(CompareFileWithBuffer({}, dir / "empty"), 1);
    Bytes reserved;
    reserved.reserve(102400);
    EXPECT_EQ(CompareFileWithBuffer(reserved, dir / "empty"), 1);
    EXPECT_EQ(CompareFileWithBuffer(ToBytes("x"), dir / "empty"), 0);
    WriteFile(dir / "one", "x");
    EXPECT_EQ(CompareFileWithBuffer(reserved, dir / "one"), 0);
}

TEST(CompareFileWithBuffer, MissingFileIsReportedAndDiffers) {
    TempDir dir;
    testing::internal::CaptureStderr();
    EXPECT_EQ(CompareFileWithBuffer({}, dir / "missing"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Can not find the file!: No such file or directory\n");
}

TEST(CompareFileWithBuffer, DirectoryIsNotAFile) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    testing::internal::CaptureStderr();
    EXPECT_EQ(CompareFileWithBuffer({}, dir / "folder"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Can not find the file!: Is a directory\n");
}

TEST(CompareFileWithBuffer, FifoIsRefusedWithoutWaitingForAWriter) {
    // Opening a FIFO for reading waits for a writer unless told not to; the
    // comparison must come back at once.
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(CompareFileWithBuffer({}, dir / "fifo"), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Can not find the file!"),
              std::string::npos);
}

}  // namespace
}  // namespace kelvarin::test
