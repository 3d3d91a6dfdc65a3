// MD5 against OpenSSL on every length near the block edges, in odd pieces;
// the expected trace is OpenSSL's state after each block of a hand-padded copy.
#define OPENSSL_SUPPRESS_DEPRECATED  // the low-level API shows the state words
#include <gtest/gtest.h>
#include <openssl/md5.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <random>

#include "digest/md5.h"
#include "tests/support/recorders.h"
#include "tests/support/sample_data.h"

namespace kelvarin {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Digest = std::array<std::uint8_t, 16>;

// MD5Init, MD5Update with pieces of 0 to `largest` bytes, MD5Final.
Digest Md5InPieces(const Bytes& message, std::mt19937& random, std::uint32_t largest) {
    Md5Context context;
    MD5Init(&context);
    for (std::size_t at = 0, piece = 0; at < message.size(); at += piece) {
        piece = std::min<std::size_t>(random() % (largest + 1), message.size() - at);
        MD5Update(&context, message.data() + at, static_cast<std::uint32_t>(piece));
    }
    Digest digest;
    MD5Final(digest.data(), &context);
    return digest;
}

// The message, 0x80, zeros up to 56 modulo 64, the bit count's 8 bytes.
Bytes Padded(Bytes message, std::uint64_t bits) {
    message.push_back(0x80);
    message.resize((message.size() + 71) / 64 * 64 - 8);
    for (int i = 0; i < 8; ++i) {
        message.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
    return message;
}

// The trace of `blocks`: OpenSSL's state after each block.
std::vector<std::string> TraceOf(const Bytes& blocks) {
    MD5_CTX context;
    MD5_Init(&context);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < blocks.size(); at += 64) {
        MD5_Update(&context, blocks.data() + at, 64);
        char line[64];
        std::snprintf(line, sizeof line, "state:%x %x %x %x\r\n", context.A, context.B, context.C,
                      context.D);
        lines.emplace_back(line);
    }
    return lines;
}

TEST(Md5, MatchesOpenSslAndTracesEveryBlockForEveryLengthNearBlockEdges) {
    const std::uint32_t seed = 20240611;
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::vector<std::size_t> lengths(201);  // 0 to 200, then longer ones
    std::iota(lengths.begin(), lengths.end(), 0);
    lengths.insert(lengths.end(), {447, 448, 511, 512, 513, 4095, 70001});
    for (const std::size_t length : lengths) {
        SCOPED_TRACE(length);
        const Bytes message = test::RandomBytes(length, static_cast<std::uint32_t>(length));
        Digest expected;
        ::MD5(message.data(), message.size(), expected.data());
        EXPECT_EQ(Md5InPieces(message, random, 1 + random() % 130), expected);
        const test::RecordingDebugOutput listener;
        EXPECT_EQ(Md5InPieces(message, random, length % 2 == 0 ? 70 : 5000), expected);
        EXPECT_EQ(listener.Lines(), TraceOf(Padded(message, length * 8)));
    }
}

TEST(Md5, Rfc1321Suite) {
    const std::pair<std::string, std::string> kSuite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"}};
    std::mt19937 random(1);
    for (const auto& [text, hex] : kSuite) {
        const Digest digest = Md5InPieces(Bytes(text.begin(), text.end()), random, 9);
        char got[33];
        for (int i = 0; i < 16; ++i) {
            std::snprintf(got + 2 * i, 3, "%02x", digest[i]);
        }
        EXPECT_EQ(got, hex) << text;
    }
}

TEST(Md5, BitCountCarriesIntoItsHighWordAndFinalPadsWithBothWordsAndZeroesTheContext) {
    const Bytes message = test::RandomBytes(100, 4);
    const test::RecordingDebugOutput listener;
    Md5Context context;
    MD5Init(&context);
    context.count[0] = 0xFFFFFE00;  // whole blocks so far: the buffer is empty
    context.count[1] = 0x01234567;
    MD5Update(&context, message.data(), 100);
    EXPECT_EQ(context.count[0], 0x120u);
    EXPECT_EQ(context.count[1], 0x01234568u);
    Digest digest;
    MD5Final(digest.data(), &context);
    EXPECT_EQ(listener.Lines(), TraceOf(Padded(message, 0x0123456800000120)));
    EXPECT_EQ(context.count[0] | context.count[1] | context.state[0] | context.buffer[35], 0u);
}

}  // namespace
}  // namespace kelvarin
