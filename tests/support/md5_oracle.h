// An MD5 that is not ours, for the tests to compare with: OpenSSL's where
// there is one, the system's (BCrypt) on Windows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kelvarin::test {

using Md5Digest = std::array<std::uint8_t, 16>;

Md5Digest OracleMd5(std::span<const std::uint8_t> bytes);

// The four state words after each 64-byte block of `padded` (a whole number
// of blocks), where the oracle shows its state; nullopt where it does not.
std::optional<std::vector<std::array<std::uint32_t, 4>>> OracleBlockStates(
    std::span<const std::uint8_t> padded);

}  // namespace kelvarin::test
