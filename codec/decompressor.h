// The stored-file decompressor. The length field is never read: the end
// marker alone ends the content. A stream that is used up before its end
// marker (a truncated or damaged stored file) yields the bytes of its
// complete tokens; reading a stored file, "Fatal error in InputBit!" is
// printed on standard output first.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "codec/lzss_window.h"
#include "codec/token_decoder.h"

namespace kelvarin {

// Printed on standard output when a stored file's stream ends before its
// end marker.
inline constexpr char kInputBitFatal[] = "Fatal error in InputBit!\n";

// Decodes `stream` (a stored file without its 4-byte header) into `content`,
// which is emptied first (its storage kept). Uses and updates only the
// window of `work`; afterwards the window holds every byte this stream wrote
// at its position, exactly as a byte-at-a-time decoder leaves it. `sizeHint`
// (the length field, which is not trusted) only sizes the first allocation.
DecodeStatus DecompressBuffer(std::span<const std::uint8_t> stream, LzssWindow& work,
                              std::vector<std::uint8_t>& content, std::size_t sizeHint = 0);

// Decodes the stored file at `path` into `content`, emptied first. Returns 1
// when the end marker was reached; 0 when the file cannot be opened or read
// (`content` stays empty) or its stream ends early (`content` holds what was
// decoded).
int DecompressFile(const std::string& path, LzssWindow& work, std::vector<std::uint8_t>& content);

// Leaves in the window of `work` what a byte-at-a-time decoder leaves there
// after a stream of `produced` content bytes whose last bytes are `tail`.
// REQUIRES: tail.size() == min(produced, kWindowSize).
void LeaveInWindow(LzssWindow& work, std::span<const std::uint8_t> tail, std::uint64_t produced);

// The length field of a stored file, or nothing when `stored` is too short
// to hold one. Only a check of the content's length reads it.
std::optional<std::uint32_t> StoredLengthField(std::span<const std::uint8_t> stored);

enum class StoredFileState {
    kWhole,            // the stream reaches its end marker and the length field agrees
    kUnreadable,       // the file cannot be opened or read
    kTruncated,        // the stream ends before its end marker
    kLengthDisagrees,  // the length field is not the decoded length
};

// Decodes as DecompressFile does and tells whether the stored file is whole;
// a stored file that is not (damaged, or not a stored file at all) must be
// written anew rather than trusted. `reportTruncation` false: a check that
// reports damage its own way prints nothing.
StoredFileState DecompressStoredFile(const std::string& path, LzssWindow& work,
                                     std::vector<std::uint8_t>& content,
                                     bool reportTruncation = true);

}  // namespace kelvarin
