// The whole-buffer decoder against the literal one on arbitrary stored
// files: same content, same end-marker status and the same window
// afterwards (mirror included), from a starting window the fuzzer chooses,
// so that matches reaching before the stream meet stale bytes of its own.
#include <memory>
#include <vector>

#include "codec/buffer_decoder.h"
#include "codec/stored_file.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvarin;
    if (size == 0 || size > fuzz::kMaxInputSize) {
        return 0;
    }
    static auto fast = std::make_unique<LzssWindow>();
    static auto literal = std::make_unique<test::LiteralWindow>();
    const auto [stored, stream, expected] = fuzz::PrepareDecoderCase({data, size}, *fast, *literal);

    // The length field is never trusted; it only sizes the first allocation.
    std::vector<std::uint8_t> content;
    const DecodeStatus status =
        DecompressBuffer(stream, *fast, content, StoredLengthField(stored).value_or(0));
    fuzz::Check(content == expected.content, "content differs from the literal decoder's");
    fuzz::Check((status == DecodeStatus::kEndMarker) == expected.endMarker,
                "end-marker status differs from the literal decoder's");
    fuzz::Check(test::WindowsAgree(*fast, *literal), "window differs from the literal decoder's");
    return 0;
}
