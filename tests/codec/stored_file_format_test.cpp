// Exact bytes of small stored files, and the bit stream helpers they are
// made of.
#include <gtest/gtest.h>

#include "codec/bit_stream.h"
#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "tests/support/temp_dir.h"

namespace kelvarin {
namespace {

using test::Bytes;
using test::ToBytes;

Bytes Compress(const Bytes& content) {
    auto work = std::make_unique<LzssWindow>();
    Bytes stored;
    CompressBuffer(content, *work, stored);
    return stored;
}

TEST(StoredFile, EmptyContentIsSixZeroBytes) {
    EXPECT_EQ(Compress({}), (Bytes{0, 0, 0, 0, 0, 0}));
}

TEST(StoredFile, ExamplesFromTheFormat) {
    EXPECT_EQ(Compress(ToBytes("a")), (Bytes{0x01, 0, 0, 0, 0xB0, 0x80, 0x00}));
    EXPECT_EQ(Compress(ToBytes("abc")), (Bytes{0x03, 0, 0, 0, 0xB0, 0xD8, 0xAC, 0x60, 0, 0}));
    EXPECT_EQ(Compress(ToBytes("aaaa")), (Bytes{0x04, 0, 0, 0, 0xB0, 0x80, 0x01, 0, 0, 0}));
    EXPECT_EQ(Compress(Bytes(30, 'a')),
              (Bytes{0x1E, 0, 0, 0, 0xB0, 0x80, 0x01, 0xF0, 0x02, 0x70, 0, 0}));
}

TEST(BitStream, WriterPacksFieldsMostSignificantBitFirst) {
    BitWriter writer;
    WriteBits(writer, 1, 1);
    WriteBits(writer, 8, 0x61);
    WriteBits(writer, 14, 0x2ABC);
    WriteBits(writer, 4, 0x9);
    FlushBits(writer);
    // 1 01100001 10101010111100 1001, padded with zeros.
    EXPECT_EQ(writer.buffer, (Bytes{0xB0, 0xD5, 0x79, 0x20}));
}

TEST(BitStream, FlushAddsNoByteOnABoundary) {
    BitWriter writer;
    WriteBits(writer, 8, 0xFF);
    FlushBits(writer);
    EXPECT_EQ(writer.buffer, (Bytes{0xFF}));
}

TEST(BitStream, ReaderReturnsWhatTheWriterWrote) {
    BitWriter writer;
    const std::uint32_t fields[][2] = {{1, 0}, {14, 0x3FFF}, {4, 5}, {8, 0xA5}, {1, 1}, {14, 1}};
    for (const auto& field : fields) {
        WriteBits(writer, static_cast<int>(field[0]), field[1]);
    }
    FlushBits(writer);
    BitReader reader;
    reader.data = writer.buffer;
    reader.size = static_cast<std::int32_t>(writer.buffer.size());
    for (const auto& field : fields) {
        EXPECT_EQ(ReadBits(reader, static_cast<int>(field[0])), field[1]);
    }
    EXPECT_FALSE(reader.exhausted);
}

TEST(BitStream, ExhaustedReaderStaysInsideItsData) {
    BitReader reader;
    reader.data = {0xFF};
    reader.size = 1;
    EXPECT_EQ(ReadBits(reader, 8), 0xFFu);
    testing::internal::CaptureStdout();
    EXPECT_EQ(ReadBits(reader, 14), 0u);
    EXPECT_EQ(InputBit(reader), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Fatal error in InputBit!\n");
    EXPECT_TRUE(reader.exhausted);
}

}  // namespace
}  // namespace kelvarin
