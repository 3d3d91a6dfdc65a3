// The chunked decoder against the literal one on arbitrary stored files:
// with the starting window it gives the literal content, status and window
// effect and flags a foreign read exactly when a match reads a position the
// stream has not written; without a window it stops at that read, having
// handed nothing on, and otherwise gives the same content.
#include <memory>
#include <vector>

#include "codec/stream_decoder.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvarin;
    if (size == 0 || size > fuzz::kMaxInputSize) {
        return 0;
    }
    static auto fast = std::make_unique<LzssWindow>();
    static auto literal = std::make_unique<test::LiteralWindow>();
    static StreamDecoder decoder;
    const auto [stored, stream, expected] = fuzz::PrepareDecoderCase({data, size}, *fast, *literal);
    std::vector<std::uint8_t> content;
    const DecodedChunkSink collect = [&content](const std::uint8_t* bytes, std::size_t n) {
        content.insert(content.end(), bytes, bytes + n);
    };
    const StreamDecodeResult blind = decoder.Decode(stream, nullptr, collect);
    const bool stopped = blind.status == DecodeStatus::kStopped;
    fuzz::Check(stopped == expected.foreignRead, "stopped without a foreign read or not");
    fuzz::Check(stopped ? content.empty() : content == expected.content,
                "content without a window differs from the literal decoder's");

    content.clear();
    const StreamDecodeResult seen = decoder.Decode(stream, fast->window.data(), collect);
    fuzz::Check(content == expected.content, "content differs from the literal decoder's");
    fuzz::Check(seen.foreignRead == expected.foreignRead, "foreign read flag differs");
    fuzz::Check((seen.status == DecodeStatus::kEndMarker) == expected.endMarker,
                "end-marker status differs from the literal decoder's");
    ApplyWindowEffect(std::span<std::uint8_t, kWindowSize>(fast->window.data(), kWindowSize),
                      decoder.Tail(), seen.produced);
    std::memcpy(fast->window.data() + kWindowSize, fast->window.data(), kMirrorBytes);
    fuzz::Check(test::WindowsAgree(*fast, *literal), "window effect differs from the literal's");
    return 0;
}
