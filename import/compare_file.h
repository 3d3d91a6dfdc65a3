// Byte-exact comparison of a source file with the unpacked content of its
// stored file. The sizes are compared before any content is read, and the
// content is read in fixed chunks that stop at the first difference, so an
// unchanged file costs one sequential read and a changed one usually less.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvarin {

// Bytes read and compared at a time.
constexpr std::size_t kCompareChunkSize = 10240;

// Returns 1 when the file at `path` consists of exactly the bytes of
// `buffer`; 0 when it differs, when its size differs (decided without
// reading content), or when it cannot be opened or read. A file that cannot
// be opened, or is not a regular file, is reported through perror as
// "Can not find the file!"; a failed read as "Read error". A file that grows
// or shrinks while it is read is found different.
int CompareFileWithBuffer(const std::vector<std::uint8_t>& buffer, const std::string& path);

}  // namespace kelvarin
