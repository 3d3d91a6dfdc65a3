// The chunked decoder. Output is written linearly after a history of
// kWindowSize bytes, so a match always copies from `op - distance` without
// wrapping: before the first compaction the history holds the entry window
// rotated so that history byte j is window position (j + 1) mod kWindowSize,
// which is exactly where a byte-at-a-time decoder would find the bytes the
// stream has not written itself. When a chunk is full it is handed on and
// the last kWindowSize bytes move to the front to become the history.
#include "codec/stream_decoder.h"

#include <algorithm>
#include <cstdio>
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
// Stream bytes read from a file at a time; the few left from the last
// chunk are kept in front of the next.
constexpr std::size_t kStreamChunk = 64 * 1024;
constexpr std::size_t kStreamBufferSize = kStreamChunk + decoder::kRefillBytes;

// A stored file's stream read into one buffer, a chunk at a time, up to the
// size measured at open: a small file takes a single read. The first chunk
// also holds the length field.
class FileStream {
public:
    FileStream(ChunkedReader& reader, std::uint8_t* buffer) : m_reader(reader), m_buffer(buffer) {}

    // Reads the first chunk; returns the length field it starts with.
    std::optional<std::uint32_t> ReadLengthField() {
        ReadMore(0);
        const std::optional<std::uint32_t> field = StoredLengthField({m_buffer, m_size});
        m_first = field ? kHeaderSize : m_size;
        return field;
    }

    const std::uint8_t* Data() const { return m_buffer + m_first; }
    std::size_t Size() const { return m_size - m_first; }

    bool Refill(const std::uint8_t*& in, std::size_t& inPos, std::size_t& inSize) {
        if (m_ended) {
            return false;
        }
        const std::size_t rest = inSize - inPos;
        std::memmove(m_buffer, in + inPos, rest);
        ReadMore(rest);
        in = m_buffer;
        inPos = 0;
        inSize = m_size;
        return !m_ended;
    }

    bool Failed() const { return m_failed; }

private:
    // Reads the next chunk after the `kept` bytes at the buffer's start.
    void ReadMore(std::size_t kept) {
        const std::uint64_t left = m_reader.Size() - std::min(m_reader.Size(), m_read);
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(kStreamChunk, left));
        std::size_t got = 0;
        m_failed = !m_reader.ReadFull({m_buffer + kept, wanted}, got).Ok();
        m_read += got;
        m_size = kept + got;
        // Short of what was wanted: the file shrank since it was measured.
        m_ended = m_failed || got < wanted || m_read >= m_reader.Size();
    }

    ChunkedReader& m_reader;
    std::uint8_t* const m_buffer;
    std::uint64_t m_read = 0;  // bytes of the file read so far
    std::size_t m_size = 0;    // bytes in the buffer
    std::size_t m_first = 0;   // where the stream starts in the first chunk
    bool m_ended = false;
    bool m_failed = false;
};

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

StreamDecodeResult StreamDecoder::Decode(
    ChunkedReader& reader, const std::uint8_t* window,
    const std::function<void(std::optional<std::uint32_t>)>& lengthField,
    const DecodedChunkSink& sink) {
    if (!m_streamBuffer) {
        m_streamBuffer = std::make_unique<std::uint8_t[]>(kStreamBufferSize);
    }
    FileStream input(reader, m_streamBuffer.get());
    lengthField(input.ReadLengthField());
    if (input.Failed()) {
        StreamDecodeResult result;
        result.unreadable = true;
        return result;
    }
    StreamDecodeResult result = DecodeFrom(input, window, sink);
    result.unreadable = input.Failed();
    return result;
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
    result.stopped = result.status == DecodeStatus::kStopped;
    m_tailEnd = end;
    m_tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(result.produced, kWindowSize));
    if (result.stopped) {
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
