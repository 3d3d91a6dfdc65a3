#include "tests/support/md5_oracle.h"

#define OPENSSL_SUPPRESS_DEPRECATED  // the low-level API shows the state words
#include <openssl/md5.h>

namespace kelvarin::test {

Md5Digest OracleMd5(std::span<const std::uint8_t> bytes) {
    Md5Digest digest;
    ::MD5(bytes.data(), bytes.size(), digest.data());
    return digest;
}

std::optional<std::vector<std::array<std::uint32_t, 4>>> OracleBlockStates(
    std::span<const std::uint8_t> padded) {
    MD5_CTX context;
    MD5_Init(&context);
    std::vector<std::array<std::uint32_t, 4>> states;
    for (std::size_t at = 0; at + 64 <= padded.size(); at += 64) {
        MD5_Update(&context, padded.data() + at, 64);
        states.push_back({context.A, context.B, context.C, context.D});
    }
    return states;
}

}  // namespace kelvarin::test
