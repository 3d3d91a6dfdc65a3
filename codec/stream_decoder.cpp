// The chunked decoder. Output is written linearly after a history of
// kWindowSize bytes, so a match always copies from `op - distance` without
// wrapping: before the first compaction the history holds the entry window
// rotated so that history byte j is window position (j + 1) mod kWindowSize,
// which is exactly where a byte-at-a-time decoder would find the bytes the
// stream has not written itself. When a chunk is full it is handed on and
// the last kWindowSize bytes move to the front to become the history.
#include "codec/stream_decoder.h"

#include <algorithm>
#include <cstring>

namespace kelvarin {

namespace {

using decoder::kOutputSlack;

// Content handed on at a time. At least a window, so that a foreign read
// (possible only within the first kWindowSize bytes) always comes before
// the first chunk is handed on.
constexpr std::size_t kChunkSize = 128 * 1024;
static_assert(kChunkSize >= kWindowSize);
constexpr std::size_t kBufferSize = kWindowSize + kChunkSize + kOutputSlack;
class ChunkOutput {
public:
    ChunkOutput(std::uint8_t* buffer, bool haveWindow, const DecodedChunkSink& sink)
        : m_buffer(buffer),
          m_handedOn(buffer + kWindowSize),
          m_haveWindow(haveWindow),
          m_sink(sink) {}

    // Out of line: it runs about once per filled stretch of output.
    [[gnu::noinline]] decoder::OutputRoom MakeRoom(std::uint8_t* op) {
        std::uint8_t* const chunkEnd = m_buffer + kWindowSize + kChunkSize;
        if (op >= chunkEnd) {
            op = HandOn(op);
        }
        return {op, chunkEnd - 1,
                reinterpret_cast<std::uintptr_t>(m_buffer + kWindowSize) - m_movedOut};
    }

    // Before the first compaction the history holds the entry window, so
    // the copy can run as any other.
    bool CopyForeign(std::uint8_t* op, std::size_t, std::size_t, std::size_t distance,
                     std::size_t length) {
        foreignRead = true;
        if (!m_haveWindow) {
            return false;
        }
        decoder::CopyFromBehind(op, distance, length);
        return true;
    }

    std::uint64_t Produced(const std::uint8_t* op) const {
        return m_movedOut + static_cast<std::uint64_t>(op - m_buffer - kWindowSize);
    }

    void HandOnRest(const std::uint8_t* op) {
        if (op != m_handedOn) {
            m_sink(m_handedOn, static_cast<std::size_t>(op - m_handedOn));
        }
    }

    bool foreignRead = false;

private:
    std::uint8_t* HandOn(std::uint8_t* op) {
        m_sink(m_handedOn, static_cast<std::size_t>(op - m_handedOn));
        std::memmove(m_buffer, op - kWindowSize, kWindowSize);
        m_movedOut += static_cast<std::uint64_t>(op - kWindowSize - m_buffer);
        m_handedOn = m_buffer + kWindowSize;
        return m_handedOn;
    }

    std::uint8_t* const m_buffer;
    std::uint8_t* m_handedOn;      // first byte not yet given to the sink
    std::uint64_t m_movedOut = 0;  // content bytes compactions dropped from the front
    const bool m_haveWindow;
    const DecodedChunkSink& m_sink;
};

}  // namespace

StreamDecoder::StreamDecoder()
    : m_buffer(std::make_unique<std::uint8_t[]>(kBufferSize)),
      m_tailEnd(m_buffer.get() + kWindowSize) {}

StreamDecodeResult StreamDecoder::Decode(std::span<const std::uint8_t> stream,
                                         const std::uint8_t* window, const DecodedChunkSink& sink) {
    decoder::WholeStream input{stream};
    return DecodeFrom(input, window, sink);
}

StreamDecodeResult StreamDecoder::Decode(StreamPieces& stream, const std::uint8_t* window,
                                         const DecodedChunkSink& sink) {
    return DecodeFrom(stream, window, sink);
}

template <class Input>
StreamDecodeResult StreamDecoder::DecodeFrom(Input& input, const std::uint8_t* window,
                                             const DecodedChunkSink& sink) {
    std::uint8_t* const buffer = m_buffer.get();
    if (window != nullptr) {
        std::memcpy(buffer, window + kFirstPosition, kWindowSize - kFirstPosition);
        std::memcpy(buffer + kWindowSize - kFirstPosition, window, kFirstPosition);
    }
    ChunkOutput output(buffer, window != nullptr, sink);
    std::uint8_t* end = buffer + kWindowSize;
    StreamDecodeResult result;
    result.status = decoder::DecodeTokens(input, output, buffer + kWindowSize, end);
    result.produced = output.Produced(end);
    result.foreignRead = output.foreignRead;
    m_tailEnd = end;
    m_tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(result.produced, kWindowSize));
    if (result.status == DecodeStatus::kStopped) {
        return result;
    }
    output.HandOnRest(end);
    return result;
}

void ApplyWindowEffect(std::span<std::uint8_t, kWindowSize> window,
                       std::span<const std::uint8_t> tail, std::uint64_t produced) {
    std::uint64_t index = produced - tail.size();
    std::size_t j = 0;
    while (j < tail.size()) {
        const std::size_t position = (kFirstPosition + index) & kWindowMask;
        const std::size_t run = std::min(tail.size() - j, kWindowSize - position);
        std::memcpy(window.data() + position, tail.data() + j, run);
        j += run;
        index += run;
    }
}

}  // namespace kelvarin
