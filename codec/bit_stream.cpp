// The bit-level helpers of the stored-file format over BitWriter and
// BitReader, a field at a time. The codec's own loops keep their bits in a
// register instead (compressor.cpp, decompressor.cpp) and must write and
// read exactly what these do; these stay the plain reference form.
#include "codec/bit_stream.h"

#include <bit>
#include <cstdio>

namespace kelvarin {

void WriteBits(BitWriter& writer, int count, std::uint32_t value) {
    // Whole runs of bits at a time: `free` bits remain in the pending byte.
    int free = std::countr_zero(static_cast<unsigned>(writer.mask)) + 1;
    std::uint32_t pending = writer.pending;
    while (count > 0) {
        const int take = count < free ? count : free;
        const std::uint32_t bits = (value >> (count - take)) & ((1u << take) - 1u);
        pending |= bits << (free - take);
        count -= take;
        free -= take;
        if (free == 0) {
            writer.buffer.push_back(static_cast<std::uint8_t>(pending));
            pending = 0;
            free = 8;
        }
    }
    writer.pending = pending;
    writer.mask = static_cast<std::uint8_t>(1u << (free - 1));
}

void FlushBits(BitWriter& writer) {
    if (writer.mask != 0x80) {
        writer.buffer.push_back(static_cast<std::uint8_t>(writer.pending));
    }
}

int InputBit(BitReader& reader) {
    if (reader.mask == 0x80) {
        if (reader.index >= reader.size) {
            if (!reader.exhausted) {
                std::fputs(kInputBitFatal, stdout);
                std::fflush(stdout);
                reader.exhausted = true;
            }
            return 0;
        }
        reader.current = reader.data[static_cast<std::size_t>(reader.index)];
        ++reader.index;
    }
    const int bit = (reader.current & reader.mask) != 0 ? 1 : 0;
    reader.mask >>= 1;
    if (reader.mask == 0) {
        reader.mask = 0x80;
    }
    return bit;
}

std::uint32_t ReadBits(BitReader& reader, int count) {
    std::uint32_t result = 0;
    for (int bit = count - 1; bit >= 0; --bit) {
        if (InputBit(reader) != 0) {
            result |= 1u << bit;
        }
    }
    return result;
}

}  // namespace kelvarin
