// Both decoders (whole buffer, chunked) against the literal decoder on
// damaged and foreign streams: every truncation, bit flips, matches that
// reach into window bytes an earlier stream left. Content, end-marker
// status, the window afterwards and foreign reads must all agree.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "codec_test_util.h"
#include "tests/support/bit_writer.h"
#include "tests/support/guard_page.h"
#include "tests/support/sample_data.h"

namespace kelvarin::test {
namespace {

StreamDecodeResult DecodeChunked(StreamDecoder& decoder, const Bytes& stored,
                                 const std::uint8_t* window, Bytes& content) {
    content.clear();
    ::testing::internal::CaptureStdout();
    const StreamDecodeResult result = decoder.Decode(
        StoredStream(stored), window,
        [&](const std::uint8_t* b, std::size_t n) { content.insert(content.end(), b, b + n); });
    ::testing::internal::GetCapturedStdout();
    return result;
}

// Decodes `stored` all three ways from the same window and compares.
void ExpectDecodersAgree(const Bytes& stored, std::uint32_t windowSeed) {
    WorkPair pair;
    pair.FillWindow(windowSeed);
    Bytes window(pair.fast->window.begin(), pair.fast->window.begin() + kWindowSize);
    const LiteralDecoded expected = LiteralDecompress(stored, *pair.literal);

    Bytes content;
    const DecodeStatus status = FastDecompress(stored, *pair.fast, content);
    ASSERT_EQ(content, expected.content);
    ASSERT_EQ(status == DecodeStatus::kEndMarker, expected.endMarker);
    ASSERT_TRUE(pair.WindowsAgree());

    StreamDecoder decoder;
    const StreamDecodeResult seen = DecodeChunked(decoder, stored, window.data(), content);
    ASSERT_EQ(content, expected.content);
    ASSERT_EQ(seen.status == DecodeStatus::kEndMarker, expected.endMarker);
    ASSERT_EQ(seen.foreignRead, expected.foreignRead);
    ApplyWindowEffect(std::span<std::uint8_t, kWindowSize>(window.data(), kWindowSize),
                      decoder.Tail(), seen.produced);
    ASSERT_EQ(0, std::memcmp(window.data(), pair.literal->window, kWindowSize));

    // Without a window it stops at a foreign read, having handed on nothing;
    // otherwise the window never mattered.
    const StreamDecodeResult blind = DecodeChunked(decoder, stored, nullptr, content);
    ASSERT_EQ(blind.status == DecodeStatus::kStopped, expected.foreignRead);
    ASSERT_EQ(content, expected.foreignRead ? Bytes{} : expected.content);
}

TEST(DecoderCorruption, EveryTruncationOfAStoredFile) {
    auto work = std::make_unique<LzssWindow>();
    const Bytes stored = FastCompress(TextLike(3000, 4), *work);
    for (std::size_t cut = 0; cut <= stored.size(); ++cut) {
        SCOPED_TRACE(::testing::Message() << "cut at " << cut);
        ExpectDecodersAgree(Bytes(stored.begin(), stored.begin() + static_cast<long>(cut)), 1);
    }
}

// 300 KB of content spans several chunks of the chunked decoder.
TEST(DecoderCorruption, BitFlipsAndForeignStreams) {
    std::mt19937 random(20261207);
    auto work = std::make_unique<LzssWindow>();
    const Bytes good = FastCompress(RunsAndPatterns(300000, 5), *work);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round << " (seed 20261207)");
        Bytes damaged = good;
        if (round % 3 == 0) {
            damaged = RandomBytes(4 + random() % 4000, static_cast<std::uint32_t>(round));
        } else {
            for (int flips = 1 + random() % 4; flips > 0; --flips) {
                damaged[4 + random() % (damaged.size() - 4)] ^= 1u << (random() % 8);
            }
            damaged.resize(damaged.size() - random() % 50);
        }
        ExpectDecodersAgree(damaged, static_cast<std::uint32_t>(round));
    }
}

// Hand-made streams at the edges of "written by this stream": a match may
// reach exactly back to the first byte, one position further is foreign,
// and a whole window back stays foreign until a window has been written.
TEST(DecoderForeignRead, EdgesOfTheStreamsOwnBytes) {
    const std::pair<int, int> edges[] = {
        {5, 5}, {5, 6}, {5, kWindowSize}, {kWindowSize, kWindowSize}, {0, 1}};
    for (const auto& [literals, back] : edges) {
        SCOPED_TRACE(::testing::Message() << literals << " literals, match " << back << " back");
        BitWriter w;
        WriteBits(w, 32, 0);
        for (int i = 0; i < literals; ++i) {
            WriteBits(w, 9, 0x100u | static_cast<std::uint8_t>(i * 31));
        }
        const int current = (kFirstPosition + literals) & kWindowMask;
        WriteBits(w, 19, static_cast<std::uint32_t>((current - back) & kWindowMask) << 4 | 15u);
        WriteBits(w, 15, 0);
        FlushBits(w);
        ExpectDecodersAgree(w.buffer, 3);
    }
}

// A stream whose last byte sits just before an unreadable page: a decoder
// that reads one byte too far faults even without a sanitizer.
TEST(DecoderCorruption, StreamEndingAtAnUnreadablePageIsNotOverread) {
    const GuardedPage guarded;
    ASSERT_TRUE(guarded.Ok());
    auto work = std::make_unique<LzssWindow>();
    const Bytes stored = FastCompress(TextLike(2000, 8), *work);
    StreamDecoder decoder;
    for (std::size_t cut : {stored.size() - 4, std::size_t{9}, std::size_t{1}, std::size_t{0}}) {
        std::uint8_t* start = guarded.End() - cut;
        std::memcpy(start, stored.data() + 4, cut);
        Bytes whole;
        std::size_t chunked = 0;
        ::testing::internal::CaptureStdout();
        DecompressBuffer({start, cut}, *work, whole);
        decoder.Decode({start, cut}, work->window.data(),
                       [&](const std::uint8_t*, std::size_t n) { chunked += n; });
        ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(chunked, whole.size()) << "cut " << cut;
    }
}

}  // namespace
}  // namespace kelvarin::test
