// Bit streams of the stored-file format: fields are written most significant
// bit first, and bits fill each byte from 0x80 down to 0x01. A byte exists
// only once one of its bits is used, so a stream is exactly as long as its
// bits need.
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

// Appends the byte being filled if any of its bits is used. Called once,
// after the end marker.
void FlushBits(BitWriter& writer);

struct BitReader {
    std::vector<std::uint8_t> data;  // the stream: the stored file after its header
    std::uint32_t mask = 0x80;       // bit of `current` delivered next
    std::uint32_t current = 0;       // the byte fetched last
    std::int32_t index = 0;          // next byte of data to fetch
    std::int32_t size = 0;           // bytes in data
    bool exhausted = false;          // a fetch found the stream used up
};

// Returns the next bit. When the stream is used up, prints
// "Fatal error in InputBit!" once, sets `exhausted` and returns 0 from then
// on; it never reads outside `data`.
int InputBit(BitReader& reader);

// Returns the next `count` bits, the first read being the most significant.
std::uint32_t ReadBits(BitReader& reader, int count);

// The text printed when a stream ends before its end marker.
inline constexpr char kInputBitFatal[] = "Fatal error in InputBit!\n";

}  // namespace kelvarin
