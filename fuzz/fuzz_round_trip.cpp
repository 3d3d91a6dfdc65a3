// Splits the input into a few contents and compresses them in sequence
// through one reused fast work area and one reused literal work area, as an
// import worker does with its files. Each stored file must equal the literal
// one byte for byte, both work areas must hold the same window afterwards,
// and each stored file must decode back to its content. Reuse matters: the
// last 17 bytes of a content are coded against window bytes that earlier
// contents left behind.
//
// Input layout: byte 0 holds the number of contents minus one (low 2 bits)
// and, in bit 2, whether both windows start out filled with the first
// content (so that its end meets stale bytes equal to itself) instead of
// zeros. Then, for every content but the last, a 16-bit little-endian
// length (cut to what is left); the last content takes the rest.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "fuzz/fuzz_support.h"

namespace kelvarin::fuzz {
namespace {

// The literal compressor runs at a few MB/s; 64 KB keeps an input in the
// tens of milliseconds while still wrapping the window several times.
constexpr std::size_t kMaxInputSize = 64 * 1024;
constexpr std::uint8_t kContentCountMask = 0x03;
constexpr std::uint8_t kPrefillFlag = 0x04;
constexpr std::size_t kLengthFieldBytes = 2;

std::vector<std::span<const std::uint8_t>> SplitContents(std::span<const std::uint8_t> input) {
    const std::size_t count = (input[0] & kContentCountMask) + 1u;
    std::span<const std::uint8_t> rest = input.subspan(1);
    std::vector<std::span<const std::uint8_t>> contents;
    while (contents.size() + 1 < count && rest.size() >= kLengthFieldBytes) {
        const std::size_t wanted = rest[0] | static_cast<std::size_t>(rest[1]) << 8;
        rest = rest.subspan(kLengthFieldBytes);
        const std::size_t length = std::min(wanted, rest.size());
        contents.push_back(rest.first(length));
        rest = rest.subspan(length);
    }
    contents.push_back(rest);
    return contents;
}

}  // namespace
}  // namespace kelvarin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvarin;
    using namespace kelvarin::fuzz;
    if (size == 0 || size > kMaxInputSize) {
        return 0;
    }
    const std::span<const std::uint8_t> input(data, size);
    const std::vector<std::span<const std::uint8_t>> contents = SplitContents(input);

    // A fresh work area starts zero-filled; so do these, unless asked otherwise.
    auto fast = std::make_unique<LzssWindow>();
    auto literal = std::make_unique<test::LiteralWindow>();
    auto decoder = std::make_unique<LzssWindow>();
    if ((input[0] & kPrefillFlag) != 0) {
        FillWindows(contents.front(), true, *fast, *literal);
    }

    std::vector<std::uint8_t> stored;
    std::vector<std::uint8_t> decoded;
    for (const std::span<const std::uint8_t> content : contents) {
        const std::vector<std::uint8_t> plain(content.begin(), content.end());
        const std::vector<std::uint8_t> expected = test::LiteralCompress(plain, *literal);
        stored.clear();
        CompressBuffer(content, *fast, stored);
        Check(stored == expected, "stored bytes differ from the literal compressor's");
        Check(WindowsAgree(*fast, *literal), "window differs from the literal compressor's");

        const DecodeStatus status = DecompressBuffer(
            std::span<const std::uint8_t>(stored).subspan(kHeaderSize), *decoder, decoded);
        Check(status == DecodeStatus::kEndMarker, "stored file does not reach its end marker");
        Check(decoded == plain, "stored file does not decode to its content");
    }
    return 0;
}
