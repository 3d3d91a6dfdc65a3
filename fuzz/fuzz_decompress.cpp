// Feeds arbitrary bytes to the decoder as a stored file and checks the fast
// decoder against the literal one: same content, same status, and the same
// window afterwards (mirror included), from the same starting window. The
// starting window is made from the input's first bytes, so the fuzzer can
// steer matches that reach before the stream's first byte into stale
// window contents of its choosing.
//
// Input layout: byte 0 selects the starting window (its low 5 bits are the
// length of the pattern that follows, 0 meaning a zero-filled window; bit 7
// tiles the pattern as it is, otherwise each tile is offset by its position
// so that every window position holds a telling byte); then the pattern;
// the rest is the stored file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <vector>

#include "codec/decompressor.h"
#include "fuzz/fuzz_check.h"

namespace kelvarin::fuzz {
namespace {

// Larger inputs add nothing a fuzzer can find in reasonable time, and the
// literal decoder is slow; 64 KB still decodes to content that wraps the
// window many times.
constexpr std::size_t kMaxInputSize = 64 * 1024;
// Low bits of the first byte: the pattern's length.
constexpr std::uint8_t kPatternLengthMask = 0x1F;
// High bit of the first byte: tile the pattern unchanged.
constexpr std::uint8_t kPlainTileFlag = 0x80;

void FillWindows(std::span<const std::uint8_t> pattern, bool plain, LzssWindow& fast,
                 test::LiteralWindow& literal) {
    for (int p = 0; p < kWindowSize; ++p) {
        std::uint8_t byte = 0;
        if (!pattern.empty()) {
            const auto tile = static_cast<std::size_t>(p) / pattern.size();
            byte = pattern[static_cast<std::size_t>(p) % pattern.size()];
            if (!plain) {
                byte = static_cast<std::uint8_t>(byte + tile * 131u);
            }
        }
        literal.window[p] = byte;
        StoreWindowByte(fast, p, byte);
    }
}

// The truncated streams that the fuzzer makes by the thousand would each
// print the decoder's exhaustion message; the unit tests check that text.
bool SilenceStandardOutput() {
    return std::freopen("/dev/null", "w", stdout) != nullptr;
}

}  // namespace
}  // namespace kelvarin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvarin;
    using namespace kelvarin::fuzz;
    static const bool silenced = SilenceStandardOutput();
    (void)silenced;
    if (size == 0 || size > kMaxInputSize) {
        return 0;
    }
    const std::span<const std::uint8_t> input(data, size);
    const std::size_t patternLength =
        std::min<std::size_t>(input[0] & kPatternLengthMask, input.size() - 1);
    const bool plain = (input[0] & kPlainTileFlag) != 0;
    const std::span<const std::uint8_t> pattern = input.subspan(1, patternLength);
    const std::span<const std::uint8_t> storedFile = input.subspan(1 + patternLength);

    static auto fast = std::make_unique<LzssWindow>();
    static auto literal = std::make_unique<test::LiteralWindow>();
    FillWindows(pattern, plain, *fast, *literal);

    const std::vector<std::uint8_t> stored(storedFile.begin(), storedFile.end());
    const test::LiteralDecoded expected = test::LiteralDecompress(stored, *literal);

    // The header is skipped, never read; without a whole header no stream follows.
    const std::span<const std::uint8_t> stream = storedFile.size() >= kHeaderSize
                                                     ? storedFile.subspan(kHeaderSize)
                                                     : std::span<const std::uint8_t>();
    // The length field is not trusted; it only sizes the first allocation.
    std::size_t lengthField = 0;
    for (std::size_t i = 0; i < kHeaderSize && i < storedFile.size(); ++i) {
        lengthField |= static_cast<std::size_t>(storedFile[i]) << (8 * i);
    }
    std::vector<std::uint8_t> content;
    const DecodeStatus status = DecompressBuffer(stream, *fast, content, lengthField);

    Check(content == expected.content, "decoded content differs from the literal decoder's");
    Check((status == DecodeStatus::kEndMarker) == expected.endMarker,
          "end marker status differs from the literal decoder's");
    Check(WindowsAgree(*fast, *literal), "window differs from the literal decoder's");
    return 0;
}
