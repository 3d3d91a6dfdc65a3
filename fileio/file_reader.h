// Reading files: one chunked reader, and the whole-file read built on it.
// Only regular files are read: a FIFO, a device or a folder is turned away
// at open (which never blocks), since reading one could hang a run or never
// end. Failures carry their errno, so every caller can name the reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "fileio/byte_stream.h"
#include "fileio/file_descriptor.h"

namespace kelvarin {

enum class ReadResult { kOk, kCannotOpen, kNotAFile, kReadError, kTooLarge };

struct ReadOutcome {
    ReadResult result = ReadResult::kOk;
    int error = 0;  // errno of the failing call, 0 when none applies
    bool Ok() const { return result == ReadResult::kOk; }
};

// "cannot open PATH: No such file or directory" and the like.
std::string DescribeReadFailure(const ReadOutcome& outcome, const std::string& path);

class ChunkedReader {
public:
    // Opens and measures `path`. kNotAFile for anything but a regular file.
    ReadOutcome Open(const std::string& path);

    // The size measured at open.
    // REQUIRES: Open succeeded.
    std::uint64_t Size() const { return m_size; }

    // Reads up to buffer.size() bytes into `buffer`; `got` is 0 at the end.
    // REQUIRES: Open succeeded.
    ReadOutcome Read(std::span<std::uint8_t> buffer, std::size_t& got);

    // Fills `buffer` unless the end comes first; `got` tells how much.
    ReadOutcome ReadFull(std::span<std::uint8_t> buffer, std::size_t& got);

    // True when the file's size or modification time is no longer what it
    // was at open (or can no longer be measured): what was read may mix old
    // and new content.
    // REQUIRES: Open succeeded.
    bool ChangedSinceOpen() const;

private:
    FileDescriptor m_fd;
    std::unique_ptr<ByteSource> m_source;
    std::uint64_t m_size = 0;
    // The modification time at open, in the system's own units and full
    // resolution: seconds and nanoseconds, or one count of 100 ns.
    std::int64_t m_modified = 0;
    std::int64_t m_modifiedFraction = 0;
};

// Reads the whole file into `content` (replacing what it held). A file of
// more than `maxSize` bytes is not read (kTooLarge). Reads to the end rather
// than trusting the size measured at open: a file that changes while it is
// read gives what was read, never stale bytes.
ReadOutcome ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& content,
                          std::uint64_t maxSize);

}  // namespace kelvarin
