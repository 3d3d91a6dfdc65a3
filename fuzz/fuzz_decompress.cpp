// The whole-buffer decoder against the literal one on arbitrary stored
// files: same content, same end-marker status and the same window
// afterwards (mirror included), from a starting window the fuzzer chooses,
// so that matches reaching before the stream meet stale bytes of its own.
#include <memory>
#include <vector>

#include "codec/decompressor.h"
#include "fuzz/fuzz_support.h"

// Larger inputs add nothing a fuzzer finds in reasonable time, and the
// literal decoder is slow; 64 KB still wraps the window many times.
constexpr std::size_t kMaxInputSize = 64 * 1024;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvarin;
    if (size == 0 || size > kMaxInputSize) {
        return 0;
    }
    const fuzz::DecoderInput input = fuzz::SplitDecoderInput({data, size});
    static auto fast = std::make_unique<LzssWindow>();
    static auto literal = std::make_unique<test::LiteralWindow>();
    fuzz::FillWindows(input.pattern, input.plain, *fast, *literal);
    const test::LiteralDecoded expected =
        test::LiteralDecompress({input.stored.begin(), input.stored.end()}, *literal);

    // The length field is never trusted; it only sizes the first allocation.
    std::size_t lengthField = 0;
    for (std::size_t i = 0; i < kHeaderSize && i < input.stored.size(); ++i) {
        lengthField |= static_cast<std::size_t>(input.stored[i]) << (8 * i);
    }
    const auto stream = input.stored.subspan(std::min(input.stored.size(), kHeaderSize));
    std::vector<std::uint8_t> content;
    const DecodeStatus status = DecompressBuffer(stream, *fast, content, lengthField);
    fuzz::Check(content == expected.content, "content differs from the literal decoder's");
    fuzz::Check((status == DecodeStatus::kEndMarker) == expected.endMarker,
                "end-marker status differs from the literal decoder's");
    fuzz::Check(fuzz::WindowsAgree(*fast, *literal), "window differs from the literal decoder's");
    return 0;
}
