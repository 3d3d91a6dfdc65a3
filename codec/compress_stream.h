// The compressor's core: LZSS over a 16384-byte window with the match tree
// of match_tree.h. Content is pulled a chunk at a time and the stream is
// pushed out a buffer at a time, so memory does not grow with the content's
// size: a worker needs its work area and fixed buffers, whatever it
// compresses. What surrounds the stream in a file is stored_file.h's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codec/lzss_window.h"

namespace kelvarin {

// Where the content comes from.
class ContentSource {
public:
    virtual ~ContentSource() = default;
    // Fills up to buffer.size() bytes; returns how many, 0 at the end, or -1
    // when reading failed (the source keeps the reason).
    virtual long Read(std::span<std::uint8_t> buffer) = 0;
};

// Where the encoded bytes go, in order.
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
    kStoredTooLarge,  // the output passed the size limit
};

// Writes `head` (a stored file's length field), then the bit stream of the
// content that `source` gives, which is to be `length` bytes. Stops at the
// first failure; whatever reached `sink` by then is to be thrown away. The
// output, `head` included, may be at most `maxSize` bytes.
CompressStatus EncodeContent(std::span<const std::uint8_t> head, std::uint64_t length,
                             ContentSource& source, StoredSink& sink, LzssWindow& work,
                             std::uint64_t maxSize);

// Appends `head` and the bit stream of `content` to `out`, working in `work`.
void EncodeBuffer(std::span<const std::uint8_t> head, std::span<const std::uint8_t> content,
                  LzssWindow& work, std::vector<std::uint8_t>& out);

}  // namespace kelvarin
