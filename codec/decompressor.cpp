// The file ends of the decoders: a whole stored file read and decoded in
// memory, or one read a chunk at a time into the chunked decoder, with its
// length field taken off the first chunk.
#include "codec/decompressor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "codec/buffer_decoder.h"

namespace kelvarin {

namespace {

// Stream bytes read from a file at a time; the few left from the last
// chunk are kept in front of the next.
constexpr std::size_t kStreamChunk = 64 * 1024;
constexpr std::size_t kStreamBufferSize = kStreamChunk + decoder::kRefillBytes;

// A stored file's stream read into one buffer, a chunk at a time, up to the
// size measured at open: a small file takes a single read. The first chunk
// also holds the length field.
class FileStream final : public StreamPieces {
public:
    FileStream(ChunkedReader& reader, std::uint8_t* buffer) : m_reader(reader), m_buffer(buffer) {}

    // Reads the first chunk; returns the length field it starts with.
    std::optional<std::uint32_t> ReadLengthField() {
        ReadMore(0);
        const std::optional<std::uint32_t> field = StoredLengthField({m_buffer, m_size});
        m_first = m_size - StoredStream({m_buffer, m_size}).size();
        return field;
    }

    const std::uint8_t* Data() const override { return m_buffer + m_first; }
    std::size_t Size() const override { return m_size - m_first; }

    bool Refill(const std::uint8_t*& in, std::size_t& inPos, std::size_t& inSize) override {
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

}  // namespace

StoredFileState DecompressStoredFile(const std::string& path, LzssWindow& work,
                                     std::vector<std::uint8_t>& content, TruncationReport report) {
    content.clear();
    std::vector<std::uint8_t> stored;
    if (!ReadWholeFile(path, stored, SIZE_MAX).Ok()) {
        return StoredFileState::kUnreadable;
    }
    const std::optional<std::uint32_t> lengthField = StoredLengthField(stored);
    // The length field only sizes the first allocation of the decode.
    if (DecompressBuffer(StoredStream(stored), work, content, lengthField.value_or(0)) !=
        DecodeStatus::kEndMarker) {
        if (report == TruncationReport::kPrint) {
            std::fputs(kInputBitFatal, stdout);
            std::fflush(stdout);
        }
        return StoredFileState::kTruncated;
    }
    return *lengthField == content.size() ? StoredFileState::kWhole
                                          : StoredFileState::kLengthDisagrees;
}

int DecompressFile(const std::string& path, LzssWindow& work, std::vector<std::uint8_t>& content) {
    const StoredFileState state = DecompressStoredFile(path, work, content);
    return state == StoredFileState::kWhole || state == StoredFileState::kLengthDisagrees ? 1 : 0;
}

StoredFileDecoder::StoredFileDecoder()
    : m_buffer(std::make_unique<std::uint8_t[]>(kStreamBufferSize)) {}

StoredDecodeResult StoredFileDecoder::Decode(
    ChunkedReader& reader, const std::uint8_t* window,
    const std::function<void(std::optional<std::uint32_t>)>& lengthField,
    const DecodedChunkSink& sink) {
    FileStream input(reader, m_buffer.get());
    lengthField(input.ReadLengthField());
    StoredDecodeResult result;
    if (input.Failed()) {
        result.unreadable = true;
        return result;
    }
    static_cast<StreamDecodeResult&>(result) = m_decoder.Decode(input, window, sink);
    result.unreadable = input.Failed();
    return result;
}

}  // namespace kelvarin
