// The fast codec against the literal one: identical stored bytes, identical
// decoded content and identical window state after every run, also when one
// work area serves a whole sequence of files in both directions, as an
// import worker uses it.
#include <gtest/gtest.h>

#include <random>

#include "tests/codec/codec_test_util.h"
#include "tests/support/sample_data.h"

namespace kelvarin::test {
namespace {

Bytes Input(int kind, std::size_t size, std::uint32_t seed) {
    switch (kind % 4) {
        case 0:
            return RandomBytes(size, seed);
        case 1:
            return TextLike(size, seed);
        case 2:
            return RunsAndPatterns(size, seed);
        default: {
            Bytes real = SystemFileBytes(size + seed % 5000);
            real.erase(real.begin(),
                       real.begin() + std::min<std::size_t>(seed % 5000, real.size()));
            return real;
        }
    }
}

TEST(CodecDifferential, LiteralOracleGivesTheFormatExamples) {
    // The oracle itself must be right, or agreeing with it proves nothing.
    LiteralWindow work;
    EXPECT_EQ(LiteralCompress(Bytes(30, 'a'), work),
              (Bytes{0x1E, 0, 0, 0, 0xB0, 0x80, 0x01, 0xF0, 0x02, 0x70, 0, 0}));
    EXPECT_EQ(LiteralCompress(ToBytes("abc"), work),
              (Bytes{0x03, 0, 0, 0, 0xB0, 0xD8, 0xAC, 0x60, 0, 0}));
}

TEST(CodecDifferential, SameBytesOnManyInputsInFreshWorkAreas) {
    const std::size_t sizes[] = {0,    1,     2,     3,     17,    18,    19,           100,
                                 4096, 16383, 16384, 16385, 16402, 40000, 3 * 16384 + 7};
    std::uint32_t seed = 1;
    for (int kind = 0; kind < 4; ++kind) {
        for (std::size_t size : sizes) {
            SCOPED_TRACE(::testing::Message() << "kind " << kind << " size " << size);
            const Bytes content = Input(kind, size, seed++);
            WorkPair work;
            const Bytes stored = FastCompress(content, *work.fast);
            ASSERT_EQ(stored, LiteralCompress(content, *work.literal));
            ASSERT_TRUE(work.WindowsAgree());
            ASSERT_EQ(FastDecompress(stored, *work.fast),
                      LiteralDecompress(stored, *work.literal).content);
            ASSERT_TRUE(work.WindowsAgree());
        }
    }
}

TEST(CodecDifferential, SameBytesOnMegabytesOfRealBinaries) {
    // Tree faults that show only after many removals and substitutions
    // (once in tens of kilobytes) need long real inputs to appear.
    const Bytes content = SystemFileBytes(3u << 20);
    ASSERT_GT(content.size(), 1u << 20);
    WorkPair work;
    const Bytes stored = FastCompress(content, *work.fast);
    ASSERT_EQ(stored, LiteralCompress(content, *work.literal));
    ASSERT_TRUE(work.WindowsAgree());
    ASSERT_EQ(FastDecompress(stored, *work.fast), content);
}

TEST(CodecDifferential, SequenceThroughOneWorkAreaInBothDirections) {
    // An import worker unpacks a stored file, then may compress in the same
    // work area: the compressor's last choices depend on what the decoder left.
    std::mt19937 random(42);
    WorkPair work;
    Bytes previousStored = FastCompress(ToBytes("seed"), *work.fast);
    LiteralCompress(ToBytes("seed"), *work.literal);
    for (int step = 0; step < 60; ++step) {
        SCOPED_TRACE(::testing::Message() << "step " << step);
        const std::size_t size = random() % 3 == 0 ? random() % 40 : random() % 50000;
        const Bytes content = Input(static_cast<int>(random() % 4), size, random());
        if (random() % 2 == 0) {
            DecodeStatus status;
            const Bytes decoded = FastDecompress(previousStored, *work.fast, &status);
            const LiteralDecoded expected = LiteralDecompress(previousStored, *work.literal);
            ASSERT_EQ(decoded, expected.content);
            ASSERT_EQ(status == DecodeStatus::kEndMarker, expected.endMarker);
            ASSERT_TRUE(work.WindowsAgree());
        }
        const Bytes stored = FastCompress(content, *work.fast);
        ASSERT_EQ(stored, LiteralCompress(content, *work.literal));
        ASSERT_TRUE(work.WindowsAgree());
        previousStored = stored;
    }
}

TEST(CodecDifferential, LastBytesMeetStaleWindowBytes) {
    // A short input compares its last bytes against whatever the work area
    // held before, which can change the chosen match positions. Both codecs
    // must make the same choices; and the choices must really differ from a
    // fresh work area's in some rounds, or this test exercises nothing.
    std::mt19937 random(7);
    int roundsWhereStaleBytesMattered = 0;
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        WorkPair work;
        Bytes stale(1 + random() % 40);
        for (auto& b : stale) {
            b = static_cast<std::uint8_t>('a' + random() % 3);
        }
        work.FillWindow(stale);
        Bytes content(random() % 60);
        for (auto& b : content) {
            b = static_cast<std::uint8_t>('a' + random() % 3);
        }
        const Bytes stored = FastCompress(content, *work.fast);
        ASSERT_EQ(stored, LiteralCompress(content, *work.literal));
        ASSERT_TRUE(work.WindowsAgree());

        auto fresh = std::make_unique<LzssWindow>();
        const Bytes storedFresh = FastCompress(content, *fresh);
        if (stored != storedFresh) {
            ++roundsWhereStaleBytesMattered;
        }
        // Different choices, same content.
        ASSERT_EQ(FastDecompress(stored, *fresh), content);
    }
    EXPECT_GT(roundsWhereStaleBytesMattered, 0);
}

}  // namespace
}  // namespace kelvarin::test
