// The file list as a plain sequential run makes it, kept as the reference
// that the parallel generator must match byte for byte: one work area whose
// window serves DecompressFile for every file in order, FileDigest for md5,
// the whole content digested at once for md5x, the pack flag compared entry
// by entry, and every field formatted with snprintf. Also a small writer of
// hand-made streams, for files whose decoding depends on the window.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/bit_writer.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {

using Digest = std::array<std::uint8_t, 16>;

struct PlainFileDigests {
    std::uint32_t length = 0;
    Digest md5{};
    Digest md5x{};
};

// Length, md5 and md5x of each file, in order, sharing one window.
std::vector<PlainFileDigests> SequentialDigests(const std::vector<std::string>& paths);

// The whole list text for `root` (canonical), leaving out root's two default
// list files and the temporaries of interrupted writes.
std::string SequentialListText(const std::string& root,
                               const std::vector<std::string>& excludeList);

// MD5 of bytes in memory, in one piece.
Digest Md5Of(const Bytes& bytes);
std::string Hex(const Digest& digest);

// Builds a stored file token by token.
class StreamBuilder {
public:
    StreamBuilder& Literal(std::uint8_t byte);
    // REQUIRES: 1 <= position < 16384, 3 <= length <= 18.
    StreamBuilder& Match(int position, int length);
    StreamBuilder& End();
    // The length field (any value: it is never read) and the stream so far.
    Bytes Stored(std::uint32_t lengthField = 0) const;

private:
    BitWriter m_writer;
};

}  // namespace kelvarin::test
