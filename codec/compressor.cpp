// The compressor's main loop: one token per step, then one tree removal,
// one window store and one tree insertion per byte that the token covers.
// The whole content is in memory and the stream's storage is reserved for
// its largest possible size, so the loop neither reads files nor allocates;
// its time goes into the match tree (match_tree.h).
#include "codec/compressor.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "codec/match_tree.h"
#include "fileio/file_reader.h"
#include "fileio/folders.h"
#include "fileio/replace_file.h"
#include "platform/message_box.h"

namespace kelvarin {

namespace {

constexpr char kWriteError[] = "error write file";
constexpr char kTooLarge[] = "file too large to store (2 GiB or more)";

void AppendLengthField(std::vector<std::uint8_t>& stored, std::uint32_t length) {
    for (int shift = 0; shift < 32; shift += 8) {
        stored.push_back(static_cast<std::uint8_t>(length >> shift));
    }
}

// Upper bound of the stream's size: every byte as a literal, and the end marker.
std::size_t MaxStreamBytes(std::size_t contentSize) {
    return (contentSize * kLiteralBits + kEndMarkerBits + 7) / 8;
}

// Packs tokens into the stream exactly as WriteBits and FlushBits do (fields
// most significant bit first, bytes filled from 0x80 down), but keeps the
// pending bits in a register and writes through a pointer, so that a token
// costs a few instructions. The stream's storage is reserved for its largest
// size up front, so it never moves; the vector's size follows a step ahead
// of the writer, so that only the bytes written are ever touched.
class TokenWriter {
public:
    // REQUIRES: `stream` has capacity for every byte that will be put.
    explicit TokenWriter(std::vector<std::uint8_t>& stream)
        : m_stream(stream), m_out(stream.data() + stream.size()), m_limit(m_out) {
        Grow();
    }

    // Appends the low `count` bits of `value`.
    // REQUIRES: 0 < count <= kMatchBits; value < 2^count.
    void Put(int count, std::uint32_t value) {
        if (m_out > m_limit) [[unlikely]] {
            Grow();
        }
        m_bits = (m_bits << count) | value;
        m_count += count;
        while (m_count >= 8) {
            m_count -= 8;
            *m_out++ = static_cast<std::uint8_t>(m_bits >> m_count);
        }
    }

    // Appends the byte being filled, padded with 0 bits, if any of its bits
    // is used, and cuts the stream to its length.
    void Finish() {
        if (m_count > 0) {
            *m_out++ = static_cast<std::uint8_t>(m_bits << (8 - m_count));
        }
        m_stream.resize(static_cast<std::size_t>(m_out - m_stream.data()));
    }

private:
    // Bytes that one token and the byte being filled can complete.
    static constexpr std::size_t kMaxTokenBytes = (kMatchBits + 7) / 8 + 1;
    // The size runs ahead of the writer by this much at a time.
    static constexpr std::size_t kGrowStep = 64 * 1024;

    // Near the end of the reserved storage this runs for every token; it
    // never needs more than the reservation.
    [[gnu::noinline]] void Grow() {
        const std::size_t used = static_cast<std::size_t>(m_out - m_stream.data());
        const std::size_t size = std::min(m_stream.capacity(), m_stream.size() + kGrowStep);
        m_stream.resize(size);
        m_out = m_stream.data() + used;
        m_limit = m_stream.data() + (size > kMaxTokenBytes ? size - kMaxTokenBytes : 0);
    }

    std::vector<std::uint8_t>& m_stream;
    std::uint8_t* m_out;       // next byte to write
    std::uint8_t* m_limit;     // a token that starts past here needs Grow
    std::uint64_t m_bits = 0;  // the last m_count bits are not yet written
    int m_count = 0;
};

}  // namespace

void CompressBuffer(std::span<const std::uint8_t> content, LzssWindow& work,
                    std::vector<std::uint8_t>& stored) {
    const std::uint8_t* input = content.data();
    const std::size_t size = content.size();

    AppendLengthField(stored, static_cast<std::uint32_t>(size));
    stored.reserve(stored.size() + MaxStreamBytes(size));
    TokenWriter writer(stored);

    // Fill the look-ahead: up to 18 bytes into positions 1, 2, ...
    std::size_t readIndex = 0;
    int lookAhead = 0;
    while (lookAhead < kLookAhead && readIndex < size) {
        StoreWindowByte(work, kFirstPosition + lookAhead, input[readIndex++]);
        ++lookAhead;
    }
    ResetMatchTree(work);

    int matchLength = 0;
    int matchPosition = 0;
    int current = kFirstPosition;
    while (lookAhead > 0) {
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
            if (readIndex < size) {
                StoreWindowByte(work, p, input[readIndex++]);
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
    writer.Finish();
}

int PrepareStoredFile(const std::string& inputPath, const std::string& outputPath, LzssWindow& work,
                      PendingFile& pending, bool flushData, std::string* why) {
    const auto fail = [why](std::string reason) {
        if (why != nullptr) {
            *why = std::move(reason);
        }
        return 0;
    };
    std::vector<std::uint8_t> content;
    const ReadOutcome read = ReadWholeFile(inputPath, content, kMaxContentSize);
    if (read.result == ReadResult::kTooLarge) {
        MessageBoxOk(kTooLarge, inputPath);
        return fail(kTooLarge);
    }
    if (!read.Ok()) {
        return fail(DescribeReadFailure(read, "the source"));
    }
    std::vector<std::uint8_t> stored;
    CompressBuffer(content, work, stored);
    content = {};

    MakeDirectories(DirectoryPart(outputPath));
    if (const WriteOutcome written = pending.Write(outputPath, {stored}, flushData); !written) {
        MessageBoxOk(kWriteError, outputPath);
        return fail(DescribeWriteFailure(written, outputPath));
    }
    return 1;
}

int CompressFile(const std::string& inputPath, const std::string& outputPath, LzssWindow& work,
                 std::string* why) {
    PendingFile pending;
    if (PrepareStoredFile(inputPath, outputPath, work, pending, true, why) != 1) {
        return 0;
    }
    if (const WriteOutcome published = pending.Publish(); !published) {
        MessageBoxOk(kWriteError, outputPath);
        if (why != nullptr) {
            *why = DescribeWriteFailure(published, outputPath);
        }
        return 0;
    }
    return 1;
}

}  // namespace kelvarin
