// Helpers of the digest tests: the library's digest of a message fed in
// given pieces, OpenSSL's digest of the same bytes, random splits, and hex.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/digest/plain_md5.h"

namespace kelvarin::test {

// The digest through MD5Init, one MD5Update per piece, MD5Final.
// REQUIRES: the pieces add up to at most message.size().
Md5Digest Md5Pieces(const std::vector<std::uint8_t>& message,
                    const std::vector<std::uint32_t>& pieces);
// The whole message in one MD5Update.
Md5Digest Md5Whole(const std::vector<std::uint8_t>& message);

Md5Digest OpenSslMd5(const std::uint8_t* data, std::size_t size);

// Piece sizes adding up to `total`, each from 0 to `largest`; zero-length
// pieces are frequent.
std::vector<std::uint32_t> RandomPieces(std::uint32_t total, std::uint32_t largest,
                                        std::mt19937& random);

std::string Hex(const Md5Digest& digest);

}  // namespace kelvarin::test
