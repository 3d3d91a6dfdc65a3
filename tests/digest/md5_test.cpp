// The digest over memory: the published test suite, agreement with OpenSSL
// on random messages split at random, and the context's bookkeeping (bit
// count, buffer, the zeroed context after the final step).
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "digest/md5.h"
#include "digest/md5_blocks.h"
#include "tests/digest/md5_test_util.h"
#include "tests/digest/plain_md5.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_dir.h"

namespace kelvarin {
namespace {

using test::Bytes;
using test::Hex;
using test::Md5Digest;
using test::Md5Whole;
using test::ToBytes;

TEST(Md5Rfc1321, TestSuiteDigests) {
    const std::pair<const char*, const char*> kSuite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
         "0",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [message, digest] : kSuite) {
        EXPECT_EQ(Hex(Md5Whole(ToBytes(message))), digest) << '"' << message << '"';
    }
}

TEST(Md5Rfc1321, PlainReferenceAgreesWithTheSuite) {
    // The tests below trust the plain reference for the expected states.
    EXPECT_EQ(Hex(test::PlainMd5(ToBytes("message digest")).digest),
              "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Hex(test::PlainMd5(Bytes(200, 'x')).digest),
              Hex(test::OpenSslMd5(Bytes(200, 'x').data(), 200)));
}

TEST(Md5Differential, RandomMessagesInRandomPiecesMatchOpenSsl) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 400; ++round) {
        // Mostly sizes at or near the padding's edges, some long messages.
        constexpr std::uint32_t kEdges[] = {0, 1, 55, 56, 57, 63};
        const std::uint32_t size =
            round % 10 == 0
                ? random() % 70000
                : (random() % 40) * 64 + (round % 2 == 0 ? kEdges[random() % 6] : random() % 64);
        const Bytes message = test::RandomBytes(size, round);
        const std::uint32_t largest = 1 + random() % (round % 3 == 0 ? 300 : 20000);
        const auto pieces = test::RandomPieces(size, largest, random);
        EXPECT_EQ(Hex(test::Md5Pieces(message, pieces)),
                  Hex(test::OpenSslMd5(message.data(), message.size())))
            << "size " << size << ", round " << round;
    }
}

TEST(Md5Differential, EverySizeUpToThreeBlocksMatchesOpenSsl) {
    const Bytes data = test::RandomBytes(200, 5);
    for (std::uint32_t size = 0; size <= 200; ++size) {
        const Bytes message(data.begin(), data.begin() + size);
        EXPECT_EQ(Hex(Md5Whole(message)), Hex(test::OpenSslMd5(message.data(), size)))
            << "size " << size;
    }
}

TEST(Md5Differential, UnalignedInputMatchesOpenSsl) {
    const Bytes data = test::RandomBytes(4096 + 8, 11);
    for (std::uint32_t shift = 0; shift < 8; ++shift) {
        Md5Context context;
        MD5Init(&context);
        MD5Update(&context, data.data() + shift, 4096);
        Md5Digest digest{};
        MD5Final(digest.data(), &context);
        EXPECT_EQ(Hex(digest), Hex(test::OpenSslMd5(data.data() + shift, 4096)))
            << "shift " << shift;
    }
}

TEST(Md5Blocks, MatchesThePlainBlockFunction) {
    const Bytes data = test::RandomBytes(64 * 9 + 3, 12);
    test::Md5State expected = {0x01234567, 0x89abcdef, 0xfedcba98, 0x76543210};
    std::uint32_t state[4] = {expected[0], expected[1], expected[2], expected[3]};
    // From an odd address: the words are read straight from unaligned memory.
    Md5Blocks(state, data.data() + 3, 9);
    for (int block = 0; block < 9; ++block) {
        test::PlainMd5Block(expected, data.data() + 3 + 64 * block);
    }
    EXPECT_EQ((test::Md5State{state[0], state[1], state[2], state[3]}), expected);
}

TEST(Md5Context, InitSetsTheInitialStateAndAZeroCount) {
    Md5Context context;
    std::memset(&context, 0xAA, sizeof context);
    MD5Init(&context);
    EXPECT_EQ(context.state[0], 0x67452301u);
    EXPECT_EQ(context.state[1], 0xefcdab89u);
    EXPECT_EQ(context.state[2], 0x98badcfeu);
    EXPECT_EQ(context.state[3], 0x10325476u);
    EXPECT_EQ(context.count[0], 0u);
    EXPECT_EQ(context.count[1], 0u);
}

TEST(Md5Context, FinalZeroesEveryField) {
    for (std::uint32_t size : {0u, 3u, 64u, 100u}) {
        Md5Context context;
        std::memset(&context, 0xAA, sizeof context);
        MD5Init(&context);
        const Bytes message = test::RandomBytes(size, size);
        MD5Update(&context, message.data(), size);
        std::uint8_t digest[16];
        MD5Final(digest, &context);

        Md5Context zero;
        std::memset(&zero, 0, sizeof zero);
        EXPECT_EQ(std::memcmp(&context, &zero, sizeof context), 0) << "size " << size;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(context.state[i], 0u);
        }
        EXPECT_EQ(context.count[0], 0u);
        EXPECT_EQ(context.count[1], 0u);
        for (std::uint8_t byte : context.buffer) {
            ASSERT_EQ(byte, 0);
        }
    }
}

TEST(Md5Context, ZeroLengthUpdateChangesNothing) {
    Md5Context context;
    MD5Init(&context);
    const Bytes message = test::RandomBytes(70, 1);
    MD5Update(&context, message.data(), 70);
    Md5Context before;
    std::memcpy(&before, &context, sizeof context);
    MD5Update(&context, message.data(), 0);
    MD5Update(&context, nullptr, 0);
    EXPECT_EQ(std::memcmp(&context, &before, sizeof context), 0);
}

TEST(Md5Context, WholeBlocksAreTakenStraightFromTheInput) {
    // Starting on a block boundary, complete blocks never pass through the
    // buffer; only the trailing partial block is copied there.
    Md5Context context;
    std::memset(context.buffer, 0xAA, sizeof context.buffer);
    MD5Init(&context);
    const Bytes message = test::RandomBytes(64 * 3 + 5, 2);
    MD5Update(&context, message.data(), 64 * 3);
    for (std::uint8_t byte : context.buffer) {
        ASSERT_EQ(byte, 0xAA);
    }
    MD5Update(&context, message.data() + 64 * 3, 5);
    EXPECT_EQ(std::memcmp(context.buffer, message.data() + 64 * 3, 5), 0);
    EXPECT_EQ(context.buffer[5], 0xAA);
}

TEST(Md5Context, StraddlingBlockIsAssembledInTheBuffer) {
    Md5Context context;
    MD5Init(&context);
    const Bytes message = test::RandomBytes(200, 3);
    MD5Update(&context, message.data(), 40);
    EXPECT_EQ(std::memcmp(context.buffer, message.data(), 40), 0);
    // 24 bytes complete the first block, two whole blocks follow, 8 remain.
    MD5Update(&context, message.data() + 40, 24 + 128 + 8);
    EXPECT_EQ(std::memcmp(context.buffer, message.data() + 192, 8), 0);
    EXPECT_EQ(context.count[0], 200u * 8);
    test::Md5State expected = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (int block = 0; block < 3; ++block) {
        test::PlainMd5Block(expected, message.data() + 64 * block);
    }
    EXPECT_EQ(
        (test::Md5State{context.state[0], context.state[1], context.state[2], context.state[3]}),
        expected);
}

TEST(Md5BitCount, LowWordWrapCarriesIntoTheHighWord) {
    const Bytes message = test::RandomBytes(100, 4);
    Md5Context context;
    MD5Init(&context);
    context.count[0] = 0xFFFFFE00;  // a whole number of blocks: the buffer is empty
    context.count[1] = 7;
    MD5Update(&context, message.data(), 100);
    EXPECT_EQ(context.count[0], 0x120u);  // 0xFFFFFE00 + 800 - 2^32
    EXPECT_EQ(context.count[1], 8u);
    EXPECT_EQ(std::memcmp(context.buffer, message.data() + 64, 36), 0);
}

TEST(Md5BitCount, WrapToExactlyZeroStillCarries) {
    const Bytes message = test::RandomBytes(64, 5);
    Md5Context context;
    MD5Init(&context);
    context.count[0] = 0xFFFFFE00;
    context.count[1] = 0;
    MD5Update(&context, message.data(), 64);
    EXPECT_EQ(context.count[0], 0u);
    EXPECT_EQ(context.count[1], 1u);
}

TEST(Md5BitCount, NoCarryWhenTheLowWordJustFits) {
    const Bytes message = test::RandomBytes(63, 6);
    Md5Context context;
    MD5Init(&context);
    context.count[0] = 0xFFFFFE00;
    context.count[1] = 3;
    MD5Update(&context, message.data(), 63);
    EXPECT_EQ(context.count[0], 0xFFFFFFF8u);
    EXPECT_EQ(context.count[1], 3u);
}

TEST(Md5BitCount, HighWordCountsModulo2To32) {
    const Bytes message = test::RandomBytes(64, 7);
    Md5Context context;
    MD5Init(&context);
    context.count[0] = 0xFFFFFF00;
    context.count[1] = 0xFFFFFFFF;
    MD5Update(&context, message.data(), 64);
    EXPECT_EQ(context.count[0], 0x100u);
    EXPECT_EQ(context.count[1], 0u);
}

TEST(Md5BitCount, FinalEncodesBothWordsAfterTheMessage) {
    // A crafted count is padded exactly as a message of that many bits:
    // the last block holds the count bytes, low word first.
    Md5Context context;
    MD5Init(&context);
    context.count[0] = 0x89ABCCE8;  // (count / 8) % 64 = 29 bytes in the buffer
    context.count[1] = 0x01234567;
    const Bytes partial = test::RandomBytes(29, 8);
    std::memcpy(context.buffer, partial.data(), partial.size());
    Md5Digest digest{};
    MD5Final(digest.data(), &context);

    std::uint8_t block[64] = {};
    std::memcpy(block, partial.data(), partial.size());
    block[29] = 0x80;
    const std::uint8_t countBytes[8] = {0xE8, 0xCC, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01};
    std::memcpy(block + 56, countBytes, 8);
    test::Md5State expected = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    test::PlainMd5Block(expected, block);
    Md5Digest expectedDigest{};
    for (int i = 0; i < 16; ++i) {
        expectedDigest[i] = static_cast<std::uint8_t>(expected[i / 4] >> (8 * (i % 4)));
    }
    EXPECT_EQ(Hex(digest), Hex(expectedDigest));
}

// A long read-only run of zero bytes that takes almost no memory and little
// setup: one small shared-memory file mapped over and over, its pages
// entered up front instead of one fault per page.
class ZeroRun {
public:
    explicit ZeroRun(std::size_t size) {
        const std::size_t total = (size + kPiece - 1) / kPiece * kPiece;
        const int file = ::memfd_create("zeros", 0);
        if (file == -1 || ::ftruncate(file, kPiece) != 0) {
            return;
        }
        void* region = ::mmap(nullptr, total, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (region != MAP_FAILED) {
            m_data = static_cast<std::uint8_t*>(region);
            m_size = total;
            for (std::size_t offset = 0; offset < total && m_data != nullptr; offset += kPiece) {
                if (::mmap(m_data + offset, kPiece, PROT_READ,
                           MAP_SHARED | MAP_FIXED | MAP_POPULATE, file, 0) == MAP_FAILED) {
                    ::munmap(m_data, m_size);
                    m_data = nullptr;
                }
            }
        }
        ::close(file);
    }
    ~ZeroRun() {
        if (m_data != nullptr) {
            ::munmap(m_data, m_size);
        }
    }
    ZeroRun(const ZeroRun&) = delete;
    ZeroRun& operator=(const ZeroRun&) = delete;

    const std::uint8_t* Data() const { return m_data; }

private:
    static constexpr std::size_t kPiece = std::size_t{2} << 20;
    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
};

TEST(Md5BitCount, LengthOf2To29BytesOrMoreAddsItsTopBitsToTheHighWord) {
    // 2^29 + 64 bytes are 2^32 + 512 bits: the high word gets the length's
    // top bits, the low word the rest.
    constexpr std::size_t kSize = (std::size_t{1} << 29) + 64;
    const ZeroRun zeros(kSize);
    ASSERT_NE(zeros.Data(), nullptr) << std::strerror(errno);

    Md5Context context;
    MD5Init(&context);
    MD5Update(&context, zeros.Data(), static_cast<std::uint32_t>(kSize));
    EXPECT_EQ(context.count[0], 512u);
    EXPECT_EQ(context.count[1], 1u);
}

TEST(Md5Encoding, DecodeReadsLeastSignificantByteFirst) {
    const std::uint8_t bytes[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
    std::uint32_t words[2] = {};
    Decode(words, bytes, 8);
    EXPECT_EQ(words[0], 0x67452301u);
    EXPECT_EQ(words[1], 0xefcdab89u);
}

TEST(Md5Encoding, EncodeWritesLeastSignificantByteFirst) {
    const std::uint32_t words[2] = {0x67452301, 0xefcdab89};
    std::uint8_t bytes[9];
    std::memset(bytes, 0x55, sizeof bytes);
    Encode(bytes, words, 8);
    const std::uint8_t expected[9] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef, 0x55};
    EXPECT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0);
}

}  // namespace
}  // namespace kelvarin
