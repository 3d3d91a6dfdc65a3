// The state trace: one line per transformed block, padding blocks included,
// in the exact printf form, the same whatever the split of the message, and
// ending with the words that the digest is encoded from.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string_view>

#include "digest/md5.h"
#include "tests/digest/md5_test_util.h"
#include "tests/digest/plain_md5.h"
#include "tests/support/recorders.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_dir.h"

namespace kelvarin {
namespace {

using test::Bytes;

std::vector<std::string> TracedLines(const Bytes& message, const std::vector<std::uint32_t>& pieces,
                                     test::Md5Digest* digest = nullptr) {
    test::RecordingDebugOutput output;
    const test::Md5Digest result = test::Md5Pieces(message, pieces);
    if (digest != nullptr) {
        *digest = result;
    }
    return output.Lines();
}

std::vector<std::string> TracedLines(const Bytes& message) {
    return TracedLines(message, {static_cast<std::uint32_t>(message.size())});
}

TEST(Md5Trace, EmptyMessageGivesOneLineOfItsDigestWords) {
    // d41d8cd9 8f00b204 e9800998 ecf8427e read as little-endian words; the
    // second word has a zero top digit and is printed with seven.
    EXPECT_EQ(TracedLines({}),
              (std::vector<std::string>{"state:d98c1dd4 4b2008f 980980e9 7e42f8ec\r\n"}));
}

TEST(Md5Trace, LineCountsAtThePaddingEdges) {
    const std::pair<std::uint32_t, std::size_t> kCounts[] = {{55, 1}, {56, 2},  {63, 2},
                                                             {64, 2}, {119, 2}, {120, 3}};
    for (const auto& [size, lines] : kCounts) {
        EXPECT_EQ(TracedLines(test::RandomBytes(size, size)).size(), lines) << "size " << size;
    }
}

TEST(Md5Trace, OneLinePerBlockForEverySize) {
    for (std::uint32_t size = 0; size <= 300; ++size) {
        const std::size_t expected = size / 64 + (size % 64 < 56 ? 1 : 2);
        EXPECT_EQ(TracedLines(Bytes(size, 'q')).size(), expected) << "size " << size;
    }
}

TEST(Md5Trace, LinesShowTheStateAfterEachBlock) {
    std::mt19937 random(77);
    for (int round = 0; round < 60; ++round) {
        const Bytes message = test::RandomBytes(random() % 1500, round);
        EXPECT_EQ(TracedLines(message), test::PlainTraceLines(message))
            << "size " << message.size();
    }
}

TEST(Md5Trace, SameLinesWhateverTheSplit) {
    std::mt19937 random(78);
    for (std::uint32_t size : {0u, 1u, 63u, 64u, 65u, 119u, 120u, 1000u, 4097u}) {
        const Bytes message = test::RandomBytes(size, size + 1);
        test::Md5Digest wholeDigest{};
        const auto whole = TracedLines(message, {size}, &wholeDigest);

        test::Md5Digest bytewiseDigest{};
        const auto bytewise =
            TracedLines(message, std::vector<std::uint32_t>(size, 1), &bytewiseDigest);
        EXPECT_EQ(bytewise, whole) << "1-byte pieces, size " << size;
        EXPECT_EQ(bytewiseDigest, wholeDigest);

        for (int split = 0; split < 10; ++split) {
            const auto pieces = test::RandomPieces(size, 1 + random() % 150, random);
            test::Md5Digest splitDigest{};
            EXPECT_EQ(TracedLines(message, pieces, &splitDigest), whole)
                << "random pieces, size " << size;
            EXPECT_EQ(splitDigest, wholeDigest);
        }
    }
}

TEST(Md5Trace, LastLineWordsEncodeTheDigest) {
    for (std::uint32_t size : {0u, 3u, 55u, 56u, 64u, 200u, 1025u}) {
        const Bytes message = test::RandomBytes(size, 1000 + size);
        test::Md5Digest digest{};
        const auto lines = TracedLines(message, {size}, &digest);
        ASSERT_FALSE(lines.empty());

        std::uint32_t words[4] = {};
        const char* cursor = lines.back().c_str();
        ASSERT_EQ(std::strncmp(cursor, "state:", 6), 0);
        cursor += 6;
        for (std::uint32_t& word : words) {
            char* end = nullptr;
            word = static_cast<std::uint32_t>(std::strtoul(cursor, &end, 16));
            cursor = end;
        }
        EXPECT_STREQ(cursor, "\r\n");
        std::uint8_t encoded[16];
        Encode(encoded, words, 16);
        EXPECT_EQ(std::memcmp(encoded, digest.data(), 16), 0) << "size " << size;
    }
}

// "state:", four words of 1 to 8 lower-case hex digits without a leading
// zero, one space between them, "\r\n".
bool IsTraceLine(std::string_view line) {
    if (!line.starts_with("state:") || !line.ends_with("\r\n")) {
        return false;
    }
    std::string_view rest = line.substr(6, line.size() - 8);
    for (int word = 0; word < 4; ++word) {
        const std::size_t end = word < 3 ? rest.find(' ') : rest.size();
        if (end == std::string_view::npos || end == 0 || end > 8 || rest[0] == '0') {
            return false;
        }
        for (char digit : rest.substr(0, end)) {
            if (!((digit >= '0' && digit <= '9') || (digit >= 'a' && digit <= 'f'))) {
                return false;
            }
        }
        rest.remove_prefix(word < 3 ? end + 1 : end);
    }
    return rest.empty();
}

TEST(Md5Trace, WordsArePrintedWithoutLeadingZerosOrPadding) {
    EXPECT_TRUE(IsTraceLine("state:d98c1dd4 4b2008f 980980e9 7e42f8ec\r\n"));
    EXPECT_FALSE(IsTraceLine("state:0d98c1dd4 4b2008f 980980e9 7e42f8ec\r\n"));
    EXPECT_FALSE(IsTraceLine("state:d98c1dd4 04b2008f 980980e9 7e42f8ec\r\n"));
    EXPECT_FALSE(IsTraceLine("state:d98c1dd4  4b2008f 980980e9 7e42f8ec\r\n"));
    EXPECT_FALSE(IsTraceLine("state:D98C1DD4 4b2008f 980980e9 7e42f8ec\r\n"));
    EXPECT_FALSE(IsTraceLine("state:d98c1dd4 4b2008f 980980e9 7e42f8ec\n"));
    std::size_t shortest = 100;
    std::size_t longest = 0;
    for (std::uint32_t size = 0; size < 400; size += 7) {
        for (const std::string& line : TracedLines(test::RandomBytes(size, size))) {
            EXPECT_TRUE(IsTraceLine(line)) << line;
            shortest = std::min(shortest, line.size());
            longest = std::max(longest, line.size());
        }
    }
    // Among this many words, some have a zero top digit: the lines differ in length.
    EXPECT_LT(shortest, longest);
}

TEST(Md5Trace, TransformTracesOneLineFromTheNewState) {
    const Bytes block = test::RandomBytes(64, 9);
    std::uint32_t state[4] = {0x00000001, 0x0000abcd, 0x12345678, 0xffffffff};
    test::Md5State expected = {state[0], state[1], state[2], state[3]};
    test::PlainMd5Block(expected, block.data());

    test::RecordingDebugOutput output;
    MD5Transform(state, block.data());
    EXPECT_EQ((test::Md5State{state[0], state[1], state[2], state[3]}), expected);
    EXPECT_EQ(output.Lines(), (std::vector<std::string>{test::PlainTraceLine(expected)}));
}

TEST(Md5Trace, DigestIsTheSameWithAndWithoutAListener) {
    // With nobody listening the trace-free block loop runs; it must agree.
    for (std::uint32_t size : {0u, 64u, 130u, 5000u}) {
        const Bytes message = test::RandomBytes(size, 2000 + size);
        test::Md5Digest traced{};
        TracedLines(message, {size}, &traced);
        EXPECT_EQ(test::Md5Whole(message), traced) << "size " << size;
    }
}

}  // namespace
}  // namespace kelvarin
