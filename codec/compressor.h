// The stored-file compressor: LZSS over a 16384-byte window with the match
// tree of match_tree.h. The whole input is read at once and the whole stream
// is built in memory before anything is written, so an existing stored file
// is replaced only by a complete new one.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codec/lzss_window.h"
#include "fileio/replace_file.h"

namespace kelvarin {

// Appends the stored file of `content` (length field and bit stream) to
// `stored`, working in `work`.
// REQUIRES: content.size() <= kMaxContentSize.
void CompressBuffer(std::span<const std::uint8_t> content, LzssWindow& work,
                    std::vector<std::uint8_t>& stored);

// Compresses the file at `inputPath` into `pending`, a stored file for
// `outputPath` that is complete but not yet in place, creating the output's
// missing directories. Returns 1 when it was written; else as CompressFile.
// `flushData` as for PendingFile::Write.
int PrepareStoredFile(const std::string& inputPath, const std::string& outputPath, LzssWindow& work,
                      PendingFile& pending, bool flushData, std::string* why = nullptr);

// Compresses the file at `inputPath` into the stored file `outputPath`,
// creating the output's missing directories. Returns 1 when the stored file
// was written. Returns 0 when the input cannot be opened or read (nothing
// reported, nothing written), when it is 2^31 bytes or larger (reported,
// nothing written), or when the output cannot be written: then
// "error write file" is shown with the output path as caption, and any
// stored file already there is left as it was. On 0, `why` (when given)
// says what went wrong, for a log line that names the source file.
int CompressFile(const std::string& inputPath, const std::string& outputPath, LzssWindow& work,
                 std::string* why = nullptr);

}  // namespace kelvarin
