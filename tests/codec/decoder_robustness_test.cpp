// The decoder on streams the compressor never writes: wrong length fields,
// truncated and damaged streams, matches that reach before the stream's
// first byte, and streams that end right at an unreadable page.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <random>

#include "tests/codec/codec_test_util.h"
#include "tests/support/sample_data.h"

namespace kelvarin::test {
namespace {

TEST(Decoder, LengthFieldIsNeverRead) {
    auto work = std::make_unique<LzssWindow>();
    const Bytes content = TextLike(5000, 3);
    Bytes stored = FastCompress(content, *work);
    for (std::uint8_t wrong : {0x00, 0x01, 0xFF}) {
        stored[0] = stored[1] = stored[2] = stored[3] = wrong;
        EXPECT_EQ(FastDecompress(stored, *work), content);
    }
}

TEST(Decoder, MatchJustBehindRepeatsTheLastByte) {
    const Bytes stored = StreamBuilder().Literal('x').Match(1, 18).Match(1, 5).End().Finish();
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(FastDecompress(stored, *work), Bytes(24, 'x'));
}

TEST(Decoder, MatchBeforeTheStreamReadsTheWindow) {
    // The first token copies from positions this stream has not written:
    // the bytes are whatever the window held, as a byte-at-a-time decoder
    // would read them, here across the wrap from 16383 to 0.
    WorkPair work;
    work.FillWindow(RandomBytes(kWindowSize, 9));
    const Bytes stored =
        StreamBuilder().Match(16380, 10).Literal('k').Match(2, 18).Match(16383, 4).End().Finish();
    DecodeStatus status;
    const Bytes decoded = FastDecompress(stored, *work.fast, &status);
    const LiteralDecoded expected = LiteralDecompress(stored, *work.literal);
    EXPECT_TRUE(expected.endMarker);
    EXPECT_EQ(status, DecodeStatus::kEndMarker);
    EXPECT_EQ(decoded, expected.content);
    EXPECT_TRUE(work.WindowsAgree());
}

TEST(Decoder, WellFormedStreamDoesNotDependOnTheWindow) {
    const Bytes content = RunsAndPatterns(40000, 5);
    auto compressWork = std::make_unique<LzssWindow>();
    const Bytes stored = FastCompress(content, *compressWork);
    for (std::uint32_t seed : {1u, 2u}) {
        WorkPair other;
        other.FillWindow(RandomBytes(kWindowSize, seed));
        EXPECT_EQ(FastDecompress(stored, *other.fast), content);
    }
}

TEST(DecoderCorruption, TruncatedStreamKeepsDecodedBytes) {
    auto work = std::make_unique<LzssWindow>();
    const Bytes content = TextLike(3000, 11);
    const Bytes stored = FastCompress(content, *work);
    for (std::size_t cut = 0; cut < stored.size(); ++cut) {
        SCOPED_TRACE(cut);
        const Bytes truncated(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(cut));
        WorkPair pair;
        testing::internal::CaptureStdout();
        DecodeStatus status;
        const Bytes decoded = FastDecompress(truncated, *pair.fast, &status);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(status, DecodeStatus::kExhausted);
        EXPECT_EQ(printed, "Fatal error in InputBit!\n");
        // What was decoded is a prefix of the content, exactly as far as
        // the literal decoder gets.
        EXPECT_EQ(decoded, LiteralDecompress(truncated, *pair.literal).content);
        EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), content.begin()));
        EXPECT_TRUE(pair.WindowsAgree());
    }
}

TEST(DecoderCorruption, FilesTooShortForAStream) {
    TempDir dir;
    auto work = std::make_unique<LzssWindow>();
    for (std::size_t size = 0; size < 6; ++size) {
        SCOPED_TRACE(size);
        WriteFile(dir / "short.aup", Bytes(size, 0));
        Bytes content = ToBytes("stale");
        testing::internal::CaptureStdout();
        EXPECT_EQ(DecompressFile(dir / "short.aup", *work, content), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Fatal error in InputBit!\n");
        EXPECT_TRUE(content.empty());
    }
}

TEST(DecoderCorruption, BitFlipsMatchTheLiteralDecoder) {
    std::mt19937 random(99);
    auto compressWork = std::make_unique<LzssWindow>();
    const Bytes stored = FastCompress(RunsAndPatterns(20000, 4), *compressWork);
    for (int round = 0; round < 300; ++round) {
        Bytes damaged = stored;
        for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips) {
            damaged[4 + random() % (damaged.size() - 4)] ^=
                static_cast<std::uint8_t>(1u << (random() % 8));
        }
        if (random() % 3 == 0) {
            damaged.resize(4 + random() % (damaged.size() - 4));
        }
        WorkPair pair;
        pair.FillWindow(RandomBytes(97, static_cast<std::uint32_t>(round)));
        testing::internal::CaptureStdout();
        DecodeStatus status;
        const Bytes decoded = FastDecompress(damaged, *pair.fast, &status);
        testing::internal::GetCapturedStdout();
        const LiteralDecoded expected = LiteralDecompress(damaged, *pair.literal);
        ASSERT_EQ(decoded, expected.content) << "round " << round;
        ASSERT_EQ(status == DecodeStatus::kEndMarker, expected.endMarker);
        ASSERT_TRUE(pair.WindowsAgree());
    }
}

TEST(DecoderCorruption, StreamEndingAtAnUnreadablePageIsNotOverread) {
    const long page = ::sysconf(_SC_PAGESIZE);
    auto* base = static_cast<std::uint8_t*>(::mmap(nullptr, static_cast<std::size_t>(2 * page),
                                                   PROT_READ | PROT_WRITE,
                                                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(base, MAP_FAILED);
    ASSERT_EQ(::mprotect(base + page, static_cast<std::size_t>(page), PROT_NONE), 0);
    auto work = std::make_unique<LzssWindow>();
    const Bytes stored = FastCompress(TextLike(2000, 8), *work);
    for (std::size_t cut : {stored.size() - 4, std::size_t{1}, std::size_t{0}, std::size_t{9}}) {
        // The stream's last byte sits just before the protected page.
        std::uint8_t* start = base + page - cut;
        std::memcpy(start, stored.data() + 4, cut);
        Bytes content;
        testing::internal::CaptureStdout();
        DecompressBuffer(std::span<const std::uint8_t>(start, cut), *work, content);
        testing::internal::GetCapturedStdout();
        LiteralWindow literal;
        Bytes truncated(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(4 + cut));
        EXPECT_EQ(content, LiteralDecompress(truncated, literal).content) << "cut " << cut;
    }
    ::munmap(base, static_cast<std::size_t>(2 * page));
}

TEST(DecompressFile, MissingFileEmptiesTheBuffer) {
    TempDir dir;
    auto work = std::make_unique<LzssWindow>();
    Bytes content = ToBytes("held from an earlier call");
    content.reserve(102400);
    EXPECT_EQ(DecompressFile(dir / "missing.aup", *work, content), 0);
    EXPECT_TRUE(content.empty());
    EXPECT_GE(content.capacity(), 102400u);
}

TEST(DecompressFile, EmptyContentDecodesToNothing) {
    TempDir dir;
    WriteFile(dir / "empty.aup", Bytes(6, 0));
    auto work = std::make_unique<LzssWindow>();
    Bytes content = ToBytes("x");
    EXPECT_EQ(DecompressFile(dir / "empty.aup", *work, content), 1);
    EXPECT_TRUE(content.empty());
}

}  // namespace
}  // namespace kelvarin::test
