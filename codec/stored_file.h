// The stored file around the bit stream: its name, its 4-byte length field
// and the words every report uses about it. The token coding below
// (compress_stream.h, buffer_decoder.h, stream_decoder.h) knows nothing of
// this; the file encoder (compressor.h) and decoders (decompressor.h) build
// on it, and so does everything that reads stored files' bytes itself.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codec/codec_constants.h"
#include "codec/compress_stream.h"
#include "codec/lzss_window.h"

namespace kelvarin {

// The suffix of every stored file ("data/a.txt" is stored as "data/a.txt.aup").
inline constexpr std::string_view kStoredFileSuffix = ".aup";

// A stored file starts with its content's length, little-endian, in a
// signed 32-bit field; the list's `length` attribute has the same width.
using LengthField = std::int32_t;
constexpr std::size_t kLengthFieldSize = sizeof(LengthField);
// The largest length the field holds: larger content cannot be stored, a
// larger stored file cannot be listed.
constexpr std::uint64_t kMaxFieldLength = std::numeric_limits<LengthField>::max();
static_assert(kLengthFieldSize == 4);

// The largest stored file that content of `length` bytes can give: every
// byte a literal, then the end marker. A match always costs fewer bits than
// its bytes would as literals, so no content gives more.
constexpr std::uint64_t WorstCaseStoredSize(std::uint64_t length) {
    static_assert(kMatchBits < kMinMatch * kLiteralBits);
    return kLengthFieldSize + (length * kLiteralBits + kEndMarkerBits + 7) / 8;
}

// The length field of a stored file, or nothing when `stored` is too short
// to hold one. Only a check of the content's length reads it.
std::optional<std::uint32_t> StoredLengthField(std::span<const std::uint8_t> stored);

// The bit stream of a stored file: what follows the length field; a file
// too short to hold the field has none.
std::span<const std::uint8_t> StoredStream(std::span<const std::uint8_t> stored);

// Writes the stored file of the content that `source` gives: the length
// field (`length`), then the bit stream; as EncodeContent otherwise. The
// stored file may be at most `maxStoredSize` bytes.
// REQUIRES: length <= kMaxFieldLength.
CompressStatus CompressStream(std::uint32_t length, ContentSource& source, StoredSink& sink,
                              LzssWindow& work, std::uint64_t maxStoredSize = kMaxFieldLength);

// Appends the stored file of `content` to `stored`, working in `work`.
// REQUIRES: content.size() <= kMaxFieldLength.
void CompressBuffer(std::span<const std::uint8_t> content, LzssWindow& work,
                    std::vector<std::uint8_t>& stored);

// What decoding a stored file found.
enum class StoredFileState {
    kWhole,            // the stream reaches its end marker and the length field agrees
    kUnreadable,       // the file cannot be opened or read
    kTruncated,        // the stream ends before its end marker
    kLengthDisagrees,  // the length field is not the decoded length
};

// Why a stored file is damaged, in the words every report uses: for
// kTruncated or kLengthDisagrees that one reason, else (damaged in a way
// not told apart) both.
std::string DamageText(std::optional<StoredFileState> state = std::nullopt);

// Printed on standard output when a stored file's stream ends before its
// end marker.
inline constexpr char kInputBitFatal[] = "Fatal error in InputBit!\n";

// Shown, with the path as caption, when a stored file or list cannot be written.
inline constexpr char kWriteErrorText[] = "error write file";

}  // namespace kelvarin
