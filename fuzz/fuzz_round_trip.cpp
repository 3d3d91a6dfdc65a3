// Compresses a few contents in sequence through one reused fast work area
// and one reused literal one, as an import worker does with its files: each
// stored file must equal the literal one byte for byte, the windows must
// agree afterwards, and each stored file must decode back to its content.
// Reuse matters: the last 17 bytes of a content are coded against window
// bytes that earlier contents left.
//
// Input layout: byte 0 holds the number of contents minus one (low 2 bits)
// and, in bit 2, whether both windows start filled with the input itself
// instead of zeros; the rest is cut into that many contents at the offsets
// that bytes 1 to 3 choose.
#include <algorithm>
#include <memory>
#include <vector>

#include "codec/buffer_decoder.h"
#include "codec/stored_file.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvarin;
    if (size < 4 || size > fuzz::kMaxInputSize) {
        return 0;
    }
    const std::span<const std::uint8_t> input(data, size);
    auto fast = std::make_unique<LzssWindow>();
    auto literal = std::make_unique<test::LiteralWindow>();
    auto decoder = std::make_unique<LzssWindow>();
    if ((input[0] & 0x04) != 0) {
        test::FillWindows(*fast, *literal, input, true);
    }
    std::vector<std::size_t> cuts = {4, size};
    for (int i = 0; i < (input[0] & 0x03); ++i) {
        cuts.push_back(4 + input[1 + i] * (size - 4) / 256);
    }
    std::sort(cuts.begin(), cuts.end());
    std::vector<std::uint8_t> stored;
    std::vector<std::uint8_t> decoded;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        const std::vector<std::uint8_t> content(data + cuts[i], data + cuts[i + 1]);
        stored.clear();
        CompressBuffer(content, *fast, stored);
        fuzz::Check(stored == test::LiteralCompress(content, *literal),
                    "stored bytes differ from the literal compressor's");
        fuzz::Check(test::WindowsAgree(*fast, *literal), "window differs from the literal one");
        const auto stream = StoredStream(stored);
        fuzz::Check(DecompressBuffer(stream, *decoder, decoded) == DecodeStatus::kEndMarker,
                    "stored file does not reach its end marker");
        fuzz::Check(decoded == content, "stored file does not decode to its content");
    }
    return 0;
}
