// The stored-file compressor's core: LZSS over a 16384-byte window with the
// match tree of match_tree.h. Content is pulled a chunk at a time and the
// stream is pushed out a buffer at a time, so memory does not grow with the
// content's size: a worker needs its work area and fixed buffers, whatever
// it compresses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codec/codec_constants.h"
#include "codec/lzss_window.h"

namespace kelvarin {

// The largest stored file: its size must fit the list's signed 32-bit field.
constexpr std::uint64_t kMaxStoredSize = 0x7FFFFFFFu;

// Where the content comes from.
class ContentSource {
public:
    virtual ~ContentSource() = default;
    // Fills up to buffer.size() bytes; returns how many, 0 at the end, or -1
    // when reading failed (the source keeps the reason).
    virtual long Read(std::span<std::uint8_t> buffer) = 0;
};

// Where the stored file's bytes go, in order.
class StoredSink {
public:
    virtual ~StoredSink() = default;
    // False when the bytes could not be written (the sink keeps the reason).
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
};

enum class CompressStatus {
    kDone,
    kReadFailed,      // the source said so
    kWriteFailed,     // the sink said so
    kLengthChanged,   // the source gave other than `length` bytes
    kStoredTooLarge,  // the stored file passed the size limit
};

// Writes the stored file of the content that `source` gives: the length
// field (`length`, 32-bit little-endian), then the bit stream. Stops at the
// first failure; whatever reached `sink` by then is to be thrown away. The
// stored file may be at most `maxStoredSize` bytes.
// REQUIRES: length <= kMaxContentSize.
CompressStatus CompressStream(std::uint32_t length, ContentSource& source, StoredSink& sink,
                              LzssWindow& work, std::uint64_t maxStoredSize = kMaxStoredSize);

// Appends the stored file of `content` (length field and bit stream) to
// `stored`, working in `work`.
// REQUIRES: content.size() <= kMaxContentSize.
void CompressBuffer(std::span<const std::uint8_t> content, LzssWindow& work,
                    std::vector<std::uint8_t>& stored);

}  // namespace kelvarin
