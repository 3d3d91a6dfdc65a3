#include "tests/support/bit_writer.h"

namespace kelvarin {

void WriteBits(BitWriter& writer, int count, std::uint32_t value) {
    for (int bit = count - 1; bit >= 0; --bit) {
        if (((value >> bit) & 1u) != 0) {
            writer.pending |= writer.mask;
        }
        writer.mask >>= 1;
        if (writer.mask == 0) {
            writer.buffer.push_back(static_cast<std::uint8_t>(writer.pending));
            writer.pending = 0;
            writer.mask = 0x80;
        }
    }
}

void FlushBits(BitWriter& writer) {
    if (writer.mask != 0x80) {
        writer.buffer.push_back(static_cast<std::uint8_t>(writer.pending));
    }
}

}  // namespace kelvarin
