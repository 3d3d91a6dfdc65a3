// What the fuzz targets share: a check that stops the run where a fast and
// a literal result disagree (libFuzzer then keeps the input), and the
// decoder inputs with their starting windows.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "codec/codec_constants.h"
#include "codec/lzss_window.h"
#include "codec/stored_file.h"
#include "tests/support/literal_codec.h"

namespace kelvarin::fuzz {

// Aborts with `what` unless `condition` holds; active in every build type.
inline void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

// Larger inputs add nothing a fuzzer finds in reasonable time, and the
// literal codec is slow; 64 KB still wraps the window many times.
constexpr std::size_t kMaxInputSize = 64 * 1024;

// A decoder input: byte 0 selects the starting window (low 5 bits: the
// length of the pattern that follows, 0 for zeros; bit 7: tile it
// unchanged), then the pattern, then the stored file.
struct DecoderCase {
    std::span<const std::uint8_t> stored;
    std::span<const std::uint8_t> stream;  // after the length field
    test::LiteralDecoded expected;         // what the literal decoder gives
};

// Sets both windows as the input asks and decodes its stored file with the
// literal decoder. Truncated streams by the thousand would each print the
// exhaustion message, which the unit tests check instead.
// REQUIRES: !input.empty().
inline DecoderCase PrepareDecoderCase(std::span<const std::uint8_t> input, LzssWindow& fast,
                                      test::LiteralWindow& literal) {
    static const bool silenced = std::freopen("/dev/null", "w", stdout) != nullptr;
    (void)silenced;
    const std::size_t patternLength = std::min<std::size_t>(input[0] & 0x1F, input.size() - 1);
    test::FillWindows(fast, literal, input.subspan(1, patternLength), (input[0] & 0x80) != 0);
    DecoderCase c;
    c.stored = input.subspan(1 + patternLength);
    c.stream = StoredStream(c.stored);
    c.expected = test::LiteralDecompress({c.stored.begin(), c.stored.end()}, literal);
    return c;
}

}  // namespace kelvarin::fuzz
