#include "tests/digest/md5_test_util.h"

#include <openssl/evp.h>

#include <stdexcept>

#include "digest/md5.h"

namespace kelvarin::test {

Md5Digest Md5Pieces(const std::vector<std::uint8_t>& message,
                    const std::vector<std::uint32_t>& pieces) {
    Md5Context context;
    MD5Init(&context);
    std::size_t offset = 0;
    for (std::uint32_t piece : pieces) {
        MD5Update(&context, message.data() + offset, piece);
        offset += piece;
    }
    Md5Digest digest{};
    MD5Final(digest.data(), &context);
    return digest;
}

Md5Digest Md5Whole(const std::vector<std::uint8_t>& message) {
    return Md5Pieces(message, {static_cast<std::uint32_t>(message.size())});
}

Md5Digest OpenSslMd5(const std::uint8_t* data, std::size_t size) {
    Md5Digest digest{};
    unsigned int length = 0;
    if (EVP_Digest(data, size, digest.data(), &length, EVP_md5(), nullptr) != 1 ||
        length != digest.size()) {
        throw std::runtime_error("EVP_Digest failed");
    }
    return digest;
}

std::vector<std::uint32_t> RandomPieces(std::uint32_t total, std::uint32_t largest,
                                        std::mt19937& random) {
    std::vector<std::uint32_t> pieces;
    std::uint32_t left = total;
    while (left > 0) {
        std::uint32_t piece = 0;
        if (random() % 4 != 0) {
            piece = std::min<std::uint32_t>(left, random() % (largest + 1));
        }
        pieces.push_back(piece);
        left -= piece;
    }
    pieces.push_back(0);
    return pieces;
}

std::string Hex(const Md5Digest& digest) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

}  // namespace kelvarin::test
