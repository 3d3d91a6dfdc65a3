// Reading one file of the list: opened once, measured, then read whole, so
// that its length, its digest and its decoded content all come from the
// same bytes. The measurement comes before the read so that the caller can
// wait for memory before it takes the bytes in. Only regular files are
// read: a FIFO or a device under the root would hang the run or never end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fileio/file_reader.h"

namespace kelvarin {

// Why a listed file cannot be read, in words that name the file; empty when
// it can.
struct ListedFileProblem {
    std::string problem;
    bool Ok() const { return problem.empty(); }
};

// A listed file's bytes, or why they could not be read.
struct ListedFileBytes : ListedFileProblem {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;  // fewer than measured if the file shrank meanwhile
};

class ListedFileReader {
public:
    ListedFileReader() = default;
    ListedFileReader(const ListedFileReader&) = delete;
    ListedFileReader& operator=(const ListedFileReader&) = delete;

    // Opens and measures `path`. Fails when it cannot be opened, is not a
    // regular file, or is too large for the list's length field.
    ListedFileProblem Open(const std::string& path);

    // REQUIRES: Open succeeded.
    std::uint64_t Size() const { return m_reader.Size(); }

    // Reads the file into a new array of Size() bytes and closes it.
    // REQUIRES: Open succeeded and ReadAll was not called yet.
    ListedFileBytes ReadAll();

private:
    std::string m_path;
    ChunkedReader m_reader;
};

}  // namespace kelvarin
