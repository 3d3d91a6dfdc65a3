// The plain bit writer of the stored-file format, one field at a time:
// fields most significant bit first, bytes filled from 0x80 down, a byte
// written only once one of its bits is used. Tests build streams by hand
// with it; the codec's own token writer must write exactly what it does.
#pragma once

#include <cstdint>
#include <vector>

namespace kelvarin {

struct BitWriter {
    std::vector<std::uint8_t> buffer;  // completed bytes, in order
    std::uint8_t mask = 0x80;          // bit of `pending` that receives the next bit
    std::uint32_t pending = 0;         // the byte being filled
};

// Appends the low `count` bits of `value`, most significant first.
// REQUIRES: 0 <= count <= 32.
void WriteBits(BitWriter& writer, int count, std::uint32_t value);

// Appends the byte being filled if any of its bits is used.
void FlushBits(BitWriter& writer);

}  // namespace kelvarin
