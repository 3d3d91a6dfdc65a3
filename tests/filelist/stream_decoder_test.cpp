// The chunked decoder against the whole-buffer one: same content and same
// window afterwards for stored files, damaged streams and streams that read
// window bytes they did not write; and the foreign-read signal that lets the
// file list decode before the window is known.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>

#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "codec/stream_decoder.h"
#include "tests/filelist/sequential_file_list.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_dir.h"

namespace kelvarin {
namespace {

using test::Bytes;
using test::StreamBuilder;

struct Decoded {
    Bytes content;
    StreamDecodeResult result;
    std::size_t chunks = 0;
};

std::span<const std::uint8_t> StreamPart(const Bytes& stored) {
    return stored.size() < kHeaderSize ? std::span<const std::uint8_t>()
                                       : std::span<const std::uint8_t>(stored).subspan(kHeaderSize);
}

Decoded StreamDecode(StreamDecoder& decoder, const Bytes& stored, const std::uint8_t* window) {
    Decoded decoded;
    decoded.result = decoder.Decode(
        StreamPart(stored), window, [&decoded](const std::uint8_t* bytes, std::size_t size) {
            decoded.content.insert(decoded.content.end(), bytes, bytes + size);
            ++decoded.chunks;
        });
    return decoded;
}

Bytes Compress(const Bytes& content) {
    auto work = std::make_unique<LzssWindow>();
    Bytes stored;
    CompressBuffer(content, *work, stored);
    return stored;
}

// A window of arbitrary earlier content, as a whole-buffer work area and as
// the plain array the stream decoder takes.
void FillWindow(LzssWindow& work, std::uint32_t seed) {
    const Bytes bytes = test::RandomBytes(kWindowSize, seed);
    for (int p = 0; p < kWindowSize; ++p) {
        StoreWindowByte(work, p, bytes[static_cast<std::size_t>(p)]);
    }
}

// Decodes `stored` both ways from the same window and checks that content,
// end status and the window left behind agree.
void ExpectSameAsWholeBuffer(const Bytes& stored, std::uint32_t windowSeed) {
    auto whole = std::make_unique<LzssWindow>();
    FillWindow(*whole, windowSeed);
    std::array<std::uint8_t, kWindowSize> window;
    std::memcpy(window.data(), whole->window.data(), kWindowSize);

    Bytes expected;
    testing::internal::CaptureStdout();
    const DecodeStatus status = DecompressBuffer(StreamPart(stored), *whole, expected);
    const std::string expectedOut = testing::internal::GetCapturedStdout();

    StreamDecoder decoder;
    testing::internal::CaptureStdout();
    const Decoded decoded = StreamDecode(decoder, stored, window.data());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expectedOut);
    ASSERT_EQ(decoded.content, expected);
    EXPECT_EQ(decoded.result.status, status);
    EXPECT_EQ(decoded.result.produced, expected.size());
    EXPECT_FALSE(decoded.result.stopped);

    ApplyWindowEffect(window, decoder.Tail(), decoded.result.produced);
    EXPECT_EQ(0, std::memcmp(window.data(), whole->window.data(), kWindowSize));
}

TEST(StreamDecoder, StoredFilesDecodeAsTheWholeBufferDecoderDoes) {
    const std::size_t sizes[] = {0, 1, 17, 18, 19, 16383, 16384, 16385, 131072, 131073, 300000};
    std::uint32_t seed = 1;
    for (const std::size_t size : sizes) {
        SCOPED_TRACE(size);
        ExpectSameAsWholeBuffer(Compress(test::TextLike(size, seed)), seed);
        ExpectSameAsWholeBuffer(Compress(test::RunsAndPatterns(size, seed)), seed + 100);
        ExpectSameAsWholeBuffer(Compress(test::RandomBytes(size, seed)), seed + 200);
        ++seed;
    }
}

TEST(StreamDecoder, DamagedAndForeignStreamsDecodeAsTheWholeBufferDecoderDoes) {
    std::mt19937 random(7);
    for (int round = 0; round < 120; ++round) {
        SCOPED_TRACE(round);
        Bytes stored;
        switch (round % 4) {
            case 0:  // not a stored file at all
                stored = test::RandomBytes(random() % 70000, static_cast<std::uint32_t>(round));
                break;
            case 1: {  // a stored file cut short
                stored =
                    Compress(test::TextLike(random() % 150000, static_cast<std::uint32_t>(round)));
                stored.resize(random() % (stored.size() + 1));
                break;
            }
            case 2: {  // a stored file with flipped bits
                stored = Compress(
                    test::RunsAndPatterns(random() % 50000, static_cast<std::uint32_t>(round)));
                for (int flip = 0; flip < 5 && stored.size() > 4; ++flip) {
                    stored[4 + random() % (stored.size() - 4)] ^=
                        static_cast<std::uint8_t>(1u << (random() % 8));
                }
                break;
            }
            default: {  // tokens with random positions, most of them foreign
                StreamBuilder builder;
                const int tokens = static_cast<int>(random() % 3000);
                for (int t = 0; t < tokens; ++t) {
                    if (random() % 3 == 0) {
                        builder.Literal(static_cast<std::uint8_t>(random()));
                    } else {
                        builder.Match(1 + static_cast<int>(random() % (kWindowSize - 1)),
                                      3 + static_cast<int>(random() % 16));
                    }
                }
                if (random() % 2 == 0) {
                    builder.End();
                }
                stored = builder.Stored();
                break;
            }
        }
        ExpectSameAsWholeBuffer(stored, static_cast<std::uint32_t>(1000 + round));
    }
}

TEST(StreamDecoder, ContentComesInChunksInOrder) {
    const Bytes content = test::TextLike(1000000, 3);
    StreamDecoder decoder;
    const Decoded decoded = StreamDecode(decoder, Compress(content), nullptr);
    EXPECT_EQ(decoded.content, content);
    EXPECT_GT(decoded.chunks, 2u);
    EXPECT_EQ(decoded.result.status, DecodeStatus::kEndMarker);
    const std::span<const std::uint8_t> tail = decoder.Tail();
    ASSERT_EQ(tail.size(), static_cast<std::size_t>(kWindowSize));
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), content.end() - kWindowSize));
}

TEST(StreamDecoder, TailIsTheLastWindowOfContent) {
    const Bytes content = test::TextLike(50000, 4);
    StreamDecoder decoder;
    StreamDecode(decoder, Compress(content), nullptr);
    const std::span<const std::uint8_t> tail = decoder.Tail();
    ASSERT_EQ(tail.size(), static_cast<std::size_t>(kWindowSize));
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), content.end() - kWindowSize));

    StreamDecode(decoder, Compress(test::ToBytes("abc")), nullptr);
    EXPECT_EQ(Bytes(decoder.Tail().begin(), decoder.Tail().end()), test::ToBytes("abc"));
}

TEST(ForeignRead, StoredFilesNeverReadTheWindow) {
    StreamDecoder decoder;
    for (std::uint32_t seed = 0; seed < 20; ++seed) {
        const Bytes content = test::RunsAndPatterns(1000 + seed * 3000, seed);
        const Decoded decoded = StreamDecode(decoder, Compress(content), nullptr);
        EXPECT_FALSE(decoded.result.foreignRead);
        EXPECT_EQ(decoded.content, content);
    }
}

TEST(ForeignRead, FirstTokenMatchIsForeignAndStopsWithoutAWindow) {
    const Bytes stored = StreamBuilder().Match(1, 5).Literal('x').End().Stored();
    StreamDecoder decoder;
    testing::internal::CaptureStdout();
    const Decoded stopped = StreamDecode(decoder, stored, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(stopped.result.foreignRead);
    EXPECT_TRUE(stopped.result.stopped);
    EXPECT_EQ(stopped.chunks, 0u);

    std::array<std::uint8_t, kWindowSize> window{};
    std::memcpy(window.data() + 1, "HELLO", 5);
    const Decoded decoded = StreamDecode(decoder, stored, window.data());
    EXPECT_TRUE(decoded.result.foreignRead);
    EXPECT_FALSE(decoded.result.stopped);
    EXPECT_EQ(decoded.content, test::ToBytes("HELLOx"));
}

TEST(ForeignRead, MatchIntoOwnBytesIsNotForeign) {
    // "ab", then a copy from position 1 (the stream's own first byte).
    const Bytes stored = StreamBuilder().Literal('a').Literal('b').Match(1, 6).End().Stored();
    StreamDecoder decoder;
    const Decoded decoded = StreamDecode(decoder, stored, nullptr);
    EXPECT_FALSE(decoded.result.foreignRead);
    EXPECT_EQ(decoded.content, test::ToBytes("abababab"));
}

TEST(ForeignRead, MatchReachingOnePositionPastOwnBytesIsForeign) {
    // Two bytes written at positions 1 and 2; a copy starting at position 3
    // reads a byte this stream has not written.
    const Bytes stored = StreamBuilder().Literal('a').Literal('b').Match(3, 3).End().Stored();
    StreamDecoder decoder;
    EXPECT_TRUE(StreamDecode(decoder, stored, nullptr).result.stopped);
}

TEST(ForeignRead, WholeWindowBackIsForeignUntilAWindowIsWritten) {
    // A match at the current position copies from a whole window back.
    const Bytes early = StreamBuilder().Literal('a').Match(2, 3).End().Stored();
    StreamDecoder decoder;
    EXPECT_TRUE(StreamDecode(decoder, early, nullptr).result.foreignRead);

    StreamBuilder late;
    for (int i = 0; i < kWindowSize; ++i) {
        late.Literal(static_cast<std::uint8_t>(i * 7));
    }
    // Content byte 16384 goes to position 1; position 1 then holds byte 0.
    late.Match(1, 4).End();
    const Decoded decoded = StreamDecode(decoder, late.Stored(), nullptr);
    EXPECT_FALSE(decoded.result.foreignRead);
    ASSERT_EQ(decoded.content.size(), static_cast<std::size_t>(kWindowSize + 4));
    EXPECT_EQ(decoded.content[kWindowSize], 0);
    EXPECT_EQ(decoded.content[kWindowSize + 3], static_cast<std::uint8_t>(3 * 7));
}

TEST(ForeignRead, DecodeWithoutForeignReadIgnoresTheWindow) {
    const Bytes stored = Compress(test::TextLike(40000, 9));
    std::array<std::uint8_t, kWindowSize> window;
    window.fill(0xAB);
    StreamDecoder decoder;
    const Decoded a = StreamDecode(decoder, stored, window.data());
    const Decoded b = StreamDecode(decoder, stored, nullptr);
    EXPECT_EQ(a.content, b.content);
}

TEST(StreamDecoderCorruption, ExhaustedStreamReportsOnceAndKeepsDecodedBytes) {
    Bytes stored = Compress(test::ToBytes("abc"));
    stored.resize(stored.size() - 1);
    StreamDecoder decoder;
    testing::internal::CaptureStdout();
    const Decoded decoded = StreamDecode(decoder, stored, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Fatal error in InputBit!\n");
    EXPECT_EQ(decoded.result.status, DecodeStatus::kExhausted);
    EXPECT_EQ(decoded.content, test::ToBytes("abc"));
}

TEST(StreamDecoderCorruption, FileShorterThanItsHeaderHasNoContent) {
    StreamDecoder decoder;
    testing::internal::CaptureStdout();
    const Decoded decoded = StreamDecode(decoder, test::ToBytes("hi"), nullptr);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(decoded.content.empty());
    EXPECT_EQ(decoded.result.status, DecodeStatus::kExhausted);
    EXPECT_TRUE(decoder.Tail().empty());
}

TEST(WindowEffect, BytesGoToTheirPositionsAndWrap) {
    std::array<std::uint8_t, kWindowSize> window;
    window.fill(0xEE);
    const Bytes tail = {1, 2, 3};
    // Content of 16385 bytes: its last three are bytes 16382, 16383 and 16384,
    // at positions 16383, 0 and 1.
    ApplyWindowEffect(window, tail, kWindowSize + 1);
    EXPECT_EQ(window[kWindowSize - 1], 1);
    EXPECT_EQ(window[0], 2);
    EXPECT_EQ(window[1], 3);
    EXPECT_EQ(window[2], 0xEE);
    EXPECT_EQ(window[kWindowSize - 2], 0xEE);
}

}  // namespace
}  // namespace kelvarin
