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

// The `length` field is a signed 32-bit decimal: larger files cannot be
// described by the list.
constexpr std::uint64_t kMaxListedLength = 0x7FFFFFFF;

class ListedFileReader {
public:
    ListedFileReader() = default;
    ListedFileReader(const ListedFileReader&) = delete;
    ListedFileReader& operator=(const ListedFileReader&) = delete;

    // Opens and measures `path`. Returns false, with `error` saying why in
    // words that name the file, when it cannot be opened, is not a regular
    // file, or is larger than kMaxListedLength.
    bool Open(const std::string& path, std::string& error);

    // REQUIRES: Open succeeded.
    std::uint64_t Size() const { return m_reader.Size(); }

    // Reads the file into a new array of Size() bytes; `size` receives the
    // bytes read (fewer if the file shrank meanwhile). Closes the file.
    // Returns false, with `error` set, on a read error.
    // REQUIRES: Open succeeded and ReadAll was not called yet.
    bool ReadAll(std::unique_ptr<std::uint8_t[]>& bytes, std::size_t& size, std::string& error);

private:
    std::string m_path;
    ChunkedReader m_reader;
};

}  // namespace kelvarin
