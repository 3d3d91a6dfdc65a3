// Stored files read back: whole into memory, or a chunk at a time from an
// open file. The length field is never trusted to end the content: the end
// marker alone does. Reading a stored file whose stream is used up before
// its end marker yields the bytes of its complete tokens, and
// kInputBitFatal goes to standard output first unless the caller reports
// the damage its own way.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "codec/buffer_decoder.h"
#include "codec/lzss_window.h"
#include "codec/stored_file.h"
#include "codec/stream_decoder.h"
#include "fileio/file_reader.h"

namespace kelvarin {

// Whether a decode that finds the stream ending early prints kInputBitFatal.
enum class TruncationReport { kPrint, kSilent };

// Decodes the stored file at `path` into `content`, emptied first, and tells
// whether it is whole; a stored file that is not (damaged, or not a stored
// file at all) must be written anew rather than trusted.
StoredFileState DecompressStoredFile(const std::string& path, LzssWindow& work,
                                     std::vector<std::uint8_t>& content,
                                     TruncationReport report = TruncationReport::kPrint);

// Decodes the stored file at `path` into `content`, emptied first. Returns 1
// when the end marker was reached; 0 when the file cannot be opened or read
// (`content` stays empty) or its stream ends early (`content` holds what was
// decoded).
int DecompressFile(const std::string& path, LzssWindow& work, std::vector<std::uint8_t>& content);

struct StoredDecodeResult : StreamDecodeResult {
    bool unreadable = false;  // reading the file failed before its end
};

// The chunked decoder (stream_decoder.h) fed from a stored file as it is read.
class StoredFileDecoder {
public:
    StoredFileDecoder();

    // Decodes the stored file that `reader` has just opened, read a chunk at
    // a time up to the size measured at open. Its length field is given to
    // `lengthField` before any content goes to `sink` (nothing when the file
    // is too short to hold one; its stream is then empty). When a read
    // fails, `unreadable` says so and the decode is to be thrown away.
    StoredDecodeResult Decode(ChunkedReader& reader, const std::uint8_t* window,
                              const std::function<void(std::optional<std::uint32_t>)>& lengthField,
                              const DecodedChunkSink& sink);

    // As StreamDecoder::Tail, for the last Decode.
    std::span<const std::uint8_t> Tail() const { return m_decoder.Tail(); }

private:
    StreamDecoder m_decoder;
    std::unique_ptr<std::uint8_t[]> m_buffer;  // chunks of the stored file
};

}  // namespace kelvarin
