// Stored files from files: the compressor of compress_stream.h reading the
// source in chunks and writing the stored file to a temporary as it goes,
// so a file of any size takes a fixed amount of memory, and an existing
// stored file is replaced only by a complete new one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "codec/compress_stream.h"
#include "codec/lzss_window.h"
#include "fileio/replace_file.h"

namespace kelvarin {

struct StoreOptions {
    // As for PendingFile::Write: false when the caller flushes many at once.
    bool flushData = true;
    // A stored file past this size is refused (tests lower it).
    std::uint64_t maxStoredSize = kMaxStoredSize;
    // Told how far into the source the compressor has read, after each chunk.
    std::function<void(std::uint64_t offset)> progress;
};

// Compresses the file at `inputPath` into `pending`, a stored file for
// `outputPath` that is complete but not yet in place, creating the output's
// missing directories. Returns 1 when it was written; else as CompressFile,
// and also 0 (nothing written, `why` says so) when the source changes size
// or modification time while it is read, or when its stored file would pass
// options.maxStoredSize.
int PrepareStoredFile(const std::string& inputPath, const std::string& outputPath, LzssWindow& work,
                      PendingFile& pending, const StoreOptions& options = {},
                      std::string* why = nullptr);

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
