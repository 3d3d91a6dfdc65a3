// The compressor's main loop: one token per step, then one tree removal,
// one window store and one tree insertion per byte that the token covers.
// Content comes in through a fixed input buffer and the stream leaves
// through a fixed output buffer; both are refilled or emptied out of line,
// once per chunk, so the loop's time goes into the match tree
// (match_tree.h).
#include "codec/compress_stream.h"

#include <algorithm>
#include <cstring>

#include "codec/match_tree.h"

namespace kelvarin {

namespace {

// Content bytes read at a time, and stream bytes written at a time.
constexpr std::size_t kInputChunk = 64 * 1024;
constexpr std::size_t kOutputChunk = 64 * 1024;

// The content, a chunk at a time. A failed read ends the content early; the
// caller learns of it from Failed(). Reading stops one chunk past `length`
// bytes: content that keeps growing is not followed to its end.
class ChunkInput {
public:
    ChunkInput(ContentSource& source, std::uint64_t length) : m_source(source), m_length(length) {}

    // True while content is left; Take() then gives the next byte.
    bool More() { return m_next != m_end || Refill(); }
    std::uint8_t Take() { return *m_next++; }

    bool Failed() const { return m_failed; }
    std::uint64_t Total() const { return m_total; }

private:
    [[gnu::noinline]] bool Refill() {
        if (m_ended || m_total > m_length) {
            return false;
        }
        const long got = m_source.Read(m_buffer);
        if (got <= 0) {
            m_ended = true;
            m_failed = got < 0;
            return false;
        }
        m_total += static_cast<std::uint64_t>(got);
        m_next = m_buffer;
        m_end = m_buffer + got;
        return true;
    }

    ContentSource& m_source;
    const std::uint64_t m_length;
    std::uint8_t m_buffer[kInputChunk];
    const std::uint8_t* m_next = m_buffer;
    const std::uint8_t* m_end = m_buffer;
    std::uint64_t m_total = 0;
    bool m_ended = false;
    bool m_failed = false;
};

// Packs tokens into the stream (fields most significant bit first, bytes
// filled from 0x80 down), keeping the pending bits in a register and
// writing through a pointer, so that a token costs a few instructions. Full bytes go to the sink a
// buffer at a time; after a failure nothing more is written and Status() says why.
class TokenWriter {
public:
    TokenWriter(StoredSink& sink, std::uint64_t maxSize) : m_sink(sink), m_maxSize(maxSize) {}

    // Appends the low `count` bits of `value`.
    // REQUIRES: 0 < count <= kMatchBits; value < 2^count.
    void Put(int count, std::uint32_t value) {
        if (m_out > m_limit) [[unlikely]] {
            Flush();
        }
        m_bits = (m_bits << count) | value;
        m_count += count;
        while (m_count >= 8) {
            m_count -= 8;
            *m_out++ = static_cast<std::uint8_t>(m_bits >> m_count);
        }
    }

    // Appends the byte being filled, padded with 0 bits, if any of its bits
    // is used, and writes out what is left.
    CompressStatus Finish() {
        if (m_count > 0) {
            *m_out++ = static_cast<std::uint8_t>(m_bits << (8 - m_count));
            m_count = 0;
        }
        Flush();
        return m_status;
    }

    bool Ok() const { return m_status == CompressStatus::kDone; }

private:
    // Bytes that one token and the byte being filled can complete.
    static constexpr std::size_t kMaxTokenBytes = (kMatchBits + 7) / 8 + 1;

    [[gnu::noinline]] void Flush() {
        const std::size_t size = static_cast<std::size_t>(m_out - m_buffer);
        m_out = m_buffer;
        if (!Ok()) {
            return;
        }
        m_written += size;
        if (m_written > m_maxSize) {
            m_status = CompressStatus::kStoredTooLarge;
        } else if (!m_sink.Write({m_buffer, size})) {
            m_status = CompressStatus::kWriteFailed;
        }
    }

    StoredSink& m_sink;
    const std::uint64_t m_maxSize;
    std::uint8_t m_buffer[kOutputChunk + kMaxTokenBytes];
    std::uint8_t* m_out = m_buffer;                             // next byte to write
    std::uint8_t* const m_limit = m_buffer + kOutputChunk - 1;  // past here, flush first
    std::uint64_t m_bits = 0;  // the last m_count bits are not yet written
    int m_count = 0;
    std::uint64_t m_written = 0;
    CompressStatus m_status = CompressStatus::kDone;
};

class SpanSource final : public ContentSource {
public:
    explicit SpanSource(std::span<const std::uint8_t> content) : m_rest(content) {}
    long Read(std::span<std::uint8_t> buffer) override {
        const std::size_t count = std::min(buffer.size(), m_rest.size());
        if (count == 0) {
            return 0;  // empty content may have no storage at all
        }
        std::memcpy(buffer.data(), m_rest.data(), count);
        m_rest = m_rest.subspan(count);
        return static_cast<long>(count);
    }

private:
    std::span<const std::uint8_t> m_rest;
};

class VectorSink final : public StoredSink {
public:
    explicit VectorSink(std::vector<std::uint8_t>& stored) : m_stored(stored) {}
    bool Write(std::span<const std::uint8_t> bytes) override {
        m_stored.insert(m_stored.end(), bytes.begin(), bytes.end());
        return true;
    }

private:
    std::vector<std::uint8_t>& m_stored;
};

}  // namespace

CompressStatus EncodeContent(std::span<const std::uint8_t> head, std::uint64_t length,
                             ContentSource& source, StoredSink& sink, LzssWindow& work,
                             std::uint64_t maxSize) {
    ChunkInput input(source, length);
    TokenWriter writer(sink, maxSize);
    for (const std::uint8_t byte : head) {
        writer.Put(8, byte);
    }

    // Fill the look-ahead: up to 18 bytes into positions 1, 2, ...
    int lookAhead = 0;
    while (lookAhead < kLookAhead && input.More()) {
        StoreWindowByte(work, kFirstPosition + lookAhead, input.Take());
        ++lookAhead;
    }
    ResetMatchTree(work);

    int matchLength = 0;
    int matchPosition = 0;
    int current = kFirstPosition;
    while (lookAhead > 0 && writer.Ok()) {
        if (matchLength > lookAhead) {
            matchLength = lookAhead;
        }
        int replaceCount;
        if (matchLength <= kBreakEven) {
            writer.Put(kLiteralBits, 0x100u | work.window[static_cast<unsigned>(current)]);
            replaceCount = 1;
        } else {
            // Flag bit 0, position, length code: one 19-bit field.
            const auto token = (static_cast<std::uint32_t>(matchPosition) << kLengthBits) |
                               static_cast<std::uint32_t>(matchLength - kMinMatch);
            writer.Put(kMatchBits, token);
            replaceCount = matchLength;
        }
        for (int i = 0; i < replaceCount; ++i) {
            const int p = (current + kLookAhead) & kWindowMask;
            RemovePosition(work, p);
            if (input.More()) {
                StoreWindowByte(work, p, input.Take());
            } else {
                --lookAhead;
            }
            current = (current + 1) & kWindowMask;
            if (lookAhead != 0) {
                matchLength = InsertPosition(work, current, matchPosition);
            }
        }
    }
    writer.Put(kEndMarkerBits, 0);
    const CompressStatus written = writer.Finish();
    if (input.Failed()) {
        return CompressStatus::kReadFailed;
    }
    if (written != CompressStatus::kDone) {
        return written;
    }
    return input.Total() == length ? CompressStatus::kDone : CompressStatus::kLengthChanged;
}

void EncodeBuffer(std::span<const std::uint8_t> head, std::span<const std::uint8_t> content,
                  LzssWindow& work, std::vector<std::uint8_t>& out) {
    // Room for every byte as a literal: the stream never moves while it grows.
    out.reserve(out.size() + head.size() +
                (content.size() * kLiteralBits + kEndMarkerBits + 7) / 8);
    SpanSource source(content);
    VectorSink sink(out);
    EncodeContent(head, content.size(), source, sink, work, UINT64_MAX);
}

}  // namespace kelvarin
