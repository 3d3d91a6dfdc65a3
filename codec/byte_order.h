// Unaligned big-endian loads: keys and bit streams are read a word at a time
// with their first byte most significant, so that integer order is byte order.
#pragma once

#include <cstdint>
#include <cstring>

namespace kelvarin {

inline std::uint64_t LoadBigEndian64(const std::uint8_t* bytes) {
    std::uint64_t value;
    std::memcpy(&value, bytes, sizeof value);
    return __builtin_bswap64(value);
}

inline std::uint32_t LoadBigEndian16(const std::uint8_t* bytes) {
    return (static_cast<std::uint32_t>(bytes[0]) << 8) | bytes[1];
}

}  // namespace kelvarin
