// The compressor against the literal one, byte for byte and window for
// window, on generated inputs around every edge the format has: the
// look-ahead fill (17, 18, 19 bytes), the window size, long runs that make
// 18-byte matches and equal keys, and work areas carried from file to file.
#include <gtest/gtest.h>

#include "codec_test_util.h"
#include "tests/support/sample_data.h"

namespace kelvarin::test {
namespace {

const std::pair<const char*, Bytes (*)(std::size_t, std::uint32_t)> kKinds[] = {
    {"random", RandomBytes}, {"text", TextLike}, {"runs", RunsAndPatterns}};

std::vector<std::size_t> EdgeSizes() {
    std::vector<std::size_t> sizes;
    for (std::size_t n = 0; n <= 40; ++n) {
        sizes.push_back(n);
    }
    for (std::size_t n : {kWindowSize - 19, kWindowSize - 1, kWindowSize, kWindowSize + 1,
                          kWindowSize + 18, 3 * kWindowSize + 5, 200000}) {
        sizes.push_back(n);
    }
    return sizes;
}

// One work area pair for the whole sequence: every file meets the window
// bytes the files before it left, as in an import worker.
TEST(CodecDifferential, SameBytesAndWindowsThroughOneWorkArea) {
    for (const auto& [kind, make] : kKinds) {
        WorkPair pair;
        std::uint32_t seed = 1;
        for (const std::size_t size : EdgeSizes()) {
            SCOPED_TRACE(::testing::Message() << kind << " size " << size << " seed " << seed);
            const Bytes content = make(size, seed++);
            const Bytes stored = FastCompress(content, *pair.fast);
            ASSERT_EQ(stored, LiteralCompress(content, *pair.literal));
            ASSERT_TRUE(pair.WindowsAgree());
            Bytes decoded;
            ASSERT_EQ(FastDecompress(stored, *pair.fast, decoded), DecodeStatus::kEndMarker);
            ASSERT_EQ(decoded, content);
            ASSERT_EQ(LiteralDecompress(stored, *pair.literal).content, content);
            ASSERT_TRUE(pair.WindowsAgree());
        }
    }
}

// The last bytes of an input are coded against window bytes an earlier run
// left; a stale window must change the stream exactly as it changes the
// literal one's, and never the content.
TEST(CodecDifferential, StaleWindowBytesMeetTheLastBytes) {
    for (std::uint32_t seed = 0; seed < 40; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        WorkPair pair;
        pair.FillWindow(seed);
        const Bytes content = RunsAndPatterns(5 + seed, seed);
        const Bytes stored = FastCompress(content, *pair.fast);
        ASSERT_EQ(stored, LiteralCompress(content, *pair.literal));
        Bytes decoded;
        FastDecompress(stored, *pair.fast, decoded);
        ASSERT_EQ(decoded, content);
    }
}

// Contents of two to sixteen symbols make deep trees whose removals walk
// long predecessor chains and whose keys are often equal, so that nodes are
// replaced: every reshaping the removal code does must match.
TEST(CodecDifferential, FewSymbolsReshapeTheTreeAlike) {
    WorkPair pair;
    for (const unsigned symbols : {2u, 3u, 4u, 16u}) {
        SCOPED_TRACE(::testing::Message() << symbols << " symbols");
        Bytes content(3 * kWindowSize + 123);
        std::uint32_t state = symbols;
        for (auto& byte : content) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>('a' + (state >> 16) % symbols);
        }
        ASSERT_EQ(FastCompress(content, *pair.fast), LiteralCompress(content, *pair.literal));
        ASSERT_TRUE(pair.WindowsAgree());
    }
}

}  // namespace
}  // namespace kelvarin::test
