// A decoder of the bit stream that hands the content on in chunks instead of
// building it whole: it keeps one window's worth of recent output for the
// matches and a chunk being filled, so decoding a file of any size takes a
// fixed amount of memory. It gives the same bytes as DecompressBuffer.
//
// It also tells whether the content depended on the window it started from.
// A match whose source lies before the stream's first output byte copies
// window bytes that earlier streams left behind (a well-formed stored file
// never does this; damaged streams and files that are not stored files do).
// Such a read is a "foreign read". A decode without one gives the same
// content whatever the window held, so it can run before the window state is
// known; a decode with one must be repeated once the real window is known.
// Foreign reads can only happen while a stream has produced fewer than
// kWindowSize bytes, which is before its first chunk is handed on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "codec/codec_constants.h"
#include "codec/token_decoder.h"

namespace kelvarin {

// Receives the decoded content, in order, a chunk at a time.
using DecodedChunkSink = std::function<void(const std::uint8_t* bytes, std::size_t size)>;

struct StreamDecodeResult {
    // kStopped: decoding stopped at a foreign read (no window was given).
    DecodeStatus status = DecodeStatus::kExhausted;
    std::uint64_t produced = 0;  // content bytes decoded (handed on unless stopped)
    bool foreignRead = false;    // a match read a position this stream had not written
};

// A stream that arrives in pieces (read from a file a chunk at a time): the
// first piece through Data() and Size(), the rest through Refill, as
// decoder::DecodeTokens asks of its input. Refill runs once per piece, so
// its call through the table costs nothing that shows.
class StreamPieces {
public:
    virtual ~StreamPieces() = default;
    virtual const std::uint8_t* Data() const = 0;
    virtual std::size_t Size() const = 0;
    virtual bool Refill(const std::uint8_t*& in, std::size_t& inPos, std::size_t& inSize) = 0;
};

class StreamDecoder {
public:
    StreamDecoder();
    StreamDecoder(const StreamDecoder&) = delete;
    StreamDecoder& operator=(const StreamDecoder&) = delete;

    // Decodes `stream` (a stored file's bit stream), handing every content
    // byte to `sink`. `window` is the window on entry, indexed by position
    // (kWindowSize bytes), as the decoder of a sequential run would find it.
    // Without a window (nullptr), decoding stops at the first foreign read;
    // it has then handed nothing to `sink`. A stream that is used up before
    // its end marker yields the bytes of its complete tokens and says so in
    // its status; its user names the damaged file.
    // REQUIRES: `sink` does not call back into this decoder.
    StreamDecodeResult Decode(std::span<const std::uint8_t> stream, const std::uint8_t* window,
                              const DecodedChunkSink& sink);

    // The same for a stream that arrives in pieces.
    StreamDecodeResult Decode(StreamPieces& stream, const std::uint8_t* window,
                              const DecodedChunkSink& sink);

    // What the last Decode leaves in a window: its last min(produced,
    // kWindowSize) content bytes. Valid until the next Decode.
    std::span<const std::uint8_t> Tail() const { return {m_tailEnd - m_tailSize, m_tailSize}; }

private:
    template <class Input>
    StreamDecodeResult DecodeFrom(Input& input, const std::uint8_t* window,
                                  const DecodedChunkSink& sink);

    std::unique_ptr<std::uint8_t[]> m_buffer;
    const std::uint8_t* m_tailEnd = nullptr;
    std::size_t m_tailSize = 0;
};

// Stores `tail`, the last bytes of a stream's content, each at the window
// position a byte-at-a-time decoder gives it: content byte i goes to
// (1 + i) mod kWindowSize. Positions the stream did not write keep their
// bytes.
// REQUIRES: tail.size() <= kWindowSize and tail.size() <= produced, where
// `produced` is the stream's whole content length.
void ApplyWindowEffect(std::span<std::uint8_t, kWindowSize> window,
                       std::span<const std::uint8_t> tail, std::uint64_t produced);

}  // namespace kelvarin
