// Stored files from files: the compressor reading the source in chunks and
// writing the stored file to a temporary as it goes, so a file of any size
// takes a fixed amount of memory, and an existing stored file is replaced
// only by a complete new one.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "codec/lzss_window.h"
#include "codec/stored_file.h"
#include "fileio/replace_file.h"

namespace kelvarin {

struct StoreOptions {
    // As for PendingFile::Write: false when the caller flushes many at once.
    bool flushData = true;
    // A stored file past this size is refused (tests lower it).
    std::uint64_t maxStoredSize = kMaxFieldLength;
    // Told how far into the source the compressor has read, after each chunk.
    std::function<void(std::uint64_t offset)> progress;
    // When set and true, the compression gives up before its next chunk
    // (StoreOutcome::stopped, nothing written).
    const std::atomic<bool>* stop = nullptr;
};

// What storing a file came to.
struct StoreOutcome {
    // Empty when the stored file was written; else what went wrong, for a
    // log line that names the source file.
    std::string problem;
    // Given up because options.stop was set; `problem` says so.
    bool stopped = false;
    bool Ok() const { return problem.empty(); }
};

// Compresses the file at `inputPath` into `pending`, a stored file for
// `outputPath` that is complete but not yet in place, creating the output's
// missing directories. Fails as StoreFile does, and also (nothing written)
// when the source changes size or modification time while it is read, or
// when its stored file would pass options.maxStoredSize.
StoreOutcome PrepareStoredFile(const std::string& inputPath, const std::string& outputPath,
                               LzssWindow& work, PendingFile& pending,
                               const StoreOptions& options = {});

// What PrepareStoredFile would say of the source, writing nothing, for a
// run that only foresees: the source is opened and read whole, and
// compressed into nothing only when its size alone cannot tell whether its
// stored file stays within options.maxStoredSize. The compression works in
// a copy of `work`, so what the caller's window holds is left as it was;
// the real run's window may differ, so a source whose stored file comes
// within a few bytes of the limit may be judged otherwise. Shows nothing.
StoreOutcome CheckStorable(const std::string& inputPath, const LzssWindow& work,
                           const StoreOptions& options = {});

// Compresses the file at `inputPath` into the stored file `outputPath`,
// creating the output's missing directories. Fails when the input cannot be
// opened or read (nothing shown, nothing written), when it is 2^31 bytes or
// larger (shown, nothing written), or when the output cannot be written:
// then kWriteErrorText is shown with the output path as caption, and any
// stored file already there is left as it was.
StoreOutcome StoreFile(const std::string& inputPath, const std::string& outputPath,
                       LzssWindow& work);

// StoreFile as 1 (written) or 0 (not).
int CompressFile(const std::string& inputPath, const std::string& outputPath, LzssWindow& work);

}  // namespace kelvarin
