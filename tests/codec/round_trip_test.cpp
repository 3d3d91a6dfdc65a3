// Every content survives the trip into a stored file and back, at the sizes
// where the look-ahead fill, the window wrap and position 0 matter.
#include <gtest/gtest.h>

#include "tests/codec/codec_test_util.h"
#include "tests/support/sample_data.h"

namespace kelvarin::test {
namespace {

void ExpectRoundTrip(const Bytes& content) {
    auto work = std::make_unique<LzssWindow>();
    const Bytes stored = FastCompress(content, *work);
    ASSERT_GE(stored.size(), 6u);
    const std::uint32_t lengthField = stored[0] | (stored[1] << 8) | (stored[2] << 16) |
                                      (static_cast<std::uint32_t>(stored[3]) << 24);
    EXPECT_EQ(lengthField, content.size());
    DecodeStatus status;
    EXPECT_EQ(FastDecompress(stored, *work, &status), content);
    EXPECT_EQ(status, DecodeStatus::kEndMarker);
}

TEST(RoundTrip, SmallSizes) {
    for (std::size_t size = 0; size <= 40; ++size) {
        SCOPED_TRACE(size);
        ExpectRoundTrip(TextLike(size, static_cast<std::uint32_t>(size)));
        ExpectRoundTrip(RandomBytes(size, static_cast<std::uint32_t>(size)));
        ExpectRoundTrip(Bytes(size, 'a'));
    }
}

TEST(RoundTrip, AroundTheWindowSize) {
    for (std::size_t size : {16366u, 16383u, 16384u, 16385u, 16386u, 16402u, 16403u, 2u * 16384u,
                             3u * 16384u + 17u, 5u * 16384u + 1u}) {
        SCOPED_TRACE(size);
        ExpectRoundTrip(RunsAndPatterns(size, static_cast<std::uint32_t>(size)));
        ExpectRoundTrip(RandomBytes(size, static_cast<std::uint32_t>(size)));
        ExpectRoundTrip(Bytes(size, 0));
    }
}

TEST(RoundTrip, ThroughFilesOnDisk) {
    TempDir dir;
    const Bytes content = SystemFileBytes(200000);
    WriteFile(dir / "in.bin", content);
    auto work = std::make_unique<LzssWindow>();
    ASSERT_EQ(CompressFile(dir / "in.bin", dir / "out.aup", *work), 1);
    Bytes decoded = ToBytes("left over from an earlier call");
    EXPECT_EQ(DecompressFile(dir / "out.aup", *work, decoded), 1);
    EXPECT_EQ(decoded, content);
}

TEST(Compressor, PositionZeroIsNeverAMatchStart) {
    // The token that starts at window position 0 is a literal, even when the
    // same bytes stand just before it. Content that is one repeated byte
    // would otherwise copy at position 0.
    const Bytes content(16384 + 40, 'q');
    auto work = std::make_unique<LzssWindow>();
    const Bytes stored = FastCompress(content, *work);
    LiteralWindow literal;
    EXPECT_EQ(stored, LiteralCompress(content, literal));
    EXPECT_EQ(FastDecompress(stored, *work), content);
}

TEST(Compressor, EighteenByteMatchPrefersTheNearerCopy) {
    // x(18 bytes) y x(18) z x(18): after the second x replaces the first in
    // the tree, the third copies from the second.
    Bytes x = ToBytes("0123456789abcdefgh");
    Bytes content = x;
    content.push_back('y');
    content.insert(content.end(), x.begin(), x.end());
    content.push_back('z');
    content.insert(content.end(), x.begin(), x.end());
    auto work = std::make_unique<LzssWindow>();
    const Bytes stored = FastCompress(content, *work);
    // 18 literals (x) + literal y + match(1,18) + literal z + match(20,18) + end.
    StreamBuilder expected(static_cast<std::uint32_t>(content.size()));
    for (std::uint8_t b : x) {
        expected.Literal(b);
    }
    expected.Literal('y').Match(1, 18).Literal('z').Match(20, 18).End();
    EXPECT_EQ(stored, expected.Finish());
}

}  // namespace
}  // namespace kelvarin::test
