// Unaligned big-endian loads: keys and bit streams are read a word at a time
// with their first byte most significant, so that integer order is byte
// order. The loads go through memcpy, which compilers turn into one move
// (and one byte swap on little-endian machines).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace kelvarin {

// REQUIRES: bytes[0..7] are readable.
inline std::uint64_t LoadBigEndian64(const std::uint8_t* bytes) {
    std::uint64_t value;
    std::memcpy(&value, bytes, sizeof value);
    if constexpr (std::endian::native == std::endian::little) {
        value = __builtin_bswap64(value);
    }
    return value;
}

// REQUIRES: bytes[0..1] are readable.
inline std::uint32_t LoadBigEndian16(const std::uint8_t* bytes) {
    return (static_cast<std::uint32_t>(bytes[0]) << 8) | bytes[1];
}

}  // namespace kelvarin
