// The stored-file codec written exactly as its algorithm reads, one bit and
// one byte at a time, with no shortcut. It is slow on purpose: it is the
// oracle that the fast codec must match byte for byte, window state included.
#pragma once

#include <cstdint>
#include <vector>

namespace kelvarin::test {

struct LiteralWindow {
    std::uint8_t window[16384] = {};
    // Node records: parent, smaller child, larger child; record 16384 is the anchor.
    std::int32_t tree[16385][3] = {};
};

// The stored file (length field and stream) of `content`.
std::vector<std::uint8_t> LiteralCompress(const std::vector<std::uint8_t>& content,
                                          LiteralWindow& work);

struct LiteralDecoded {
    std::vector<std::uint8_t> content;
    bool endMarker = false;    // false: the stream ended first
    bool foreignRead = false;  // a match read a position this stream had not written
};

// Decodes a whole stored file (its length field is skipped, never read). A
// token whose bits run past the end of the stream is dropped.
LiteralDecoded LiteralDecompress(const std::vector<std::uint8_t>& stored, LiteralWindow& work);

}  // namespace kelvarin::test
