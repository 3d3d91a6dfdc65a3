// The streaming compressor: content given in pieces of any size (one byte,
// odd sizes, more than its own chunk) gives the literal compressor's bytes
// and window, file after file through one work area; and every way a stream
// can end early is told apart, at the exact size limit too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "codec_test_util.h"
#include "tests/support/sample_data.h"

namespace kelvarin::test {
namespace {

// Gives the content in pieces of the given sizes, cycling; after
// `failAfter` bytes it fails.
class PieceSource final : public ContentSource {
public:
    PieceSource(const Bytes& content, std::vector<std::size_t> pieces,
                std::size_t failAfter = SIZE_MAX)
        : m_content(content), m_pieces(std::move(pieces)), m_failAfter(failAfter) {}

    long Read(std::span<std::uint8_t> buffer) override {
        if (m_at >= m_failAfter) {
            return -1;
        }
        const std::size_t want = m_pieces[m_turn++ % m_pieces.size()];
        const std::size_t count =
            std::min({buffer.size(), want, m_content.size() - m_at, m_failAfter - m_at});
        std::copy_n(m_content.begin() + static_cast<std::ptrdiff_t>(m_at), count, buffer.begin());
        m_at += count;
        return static_cast<long>(count);
    }

private:
    const Bytes& m_content;
    std::vector<std::size_t> m_pieces;
    std::size_t m_failAfter;
    std::size_t m_at = 0;
    std::size_t m_turn = 0;
};

class BytesSink final : public StoredSink {
public:
    explicit BytesSink(std::size_t failAfter = SIZE_MAX) : m_failAfter(failAfter) {}
    bool Write(std::span<const std::uint8_t> bytes) override {
        if (bytes.size() > m_failAfter - std::min(m_failAfter, stored.size())) {
            return false;
        }
        stored.insert(stored.end(), bytes.begin(), bytes.end());
        return true;
    }
    Bytes stored;

private:
    std::size_t m_failAfter;
};

TEST(CompressStream, PiecesOfAnySizeGiveTheLiteralBytesFileAfterFile) {
    const std::vector<std::vector<std::size_t>> pieceSets = {{1},     {7, 4096, 3}, {65535},
                                                             {65536}, {65537, 1},   {200000}};
    std::uint32_t seed = 7;
    for (const auto& pieces : pieceSets) {
        WorkPair pair;
        for (const std::size_t size : {0u, 17u, 18u, 19u, 16384u, 70001u}) {
            for (Bytes (*make)(std::size_t, std::uint32_t) : {RandomBytes, RunsAndPatterns}) {
                SCOPED_TRACE(::testing::Message()
                             << "piece " << pieces.front() << " size " << size << " seed " << seed);
                const Bytes content = make(size, seed++);
                PieceSource source(content, pieces);
                BytesSink sink;
                ASSERT_EQ(
                    CompressStream(static_cast<std::uint32_t>(size), source, sink, *pair.fast),
                    CompressStatus::kDone);
                ASSERT_EQ(sink.stored, LiteralCompress(content, *pair.literal));
                ASSERT_TRUE(pair.WindowsAgree());
            }
        }
    }
}

TEST(CompressStream, EveryEarlyEndIsToldApart) {
    const Bytes content = RandomBytes(150000, 3);  // incompressible: ~169,000 stored bytes
    const std::size_t storedSize = FastCompress(content, *std::make_unique<LzssWindow>()).size();
    struct Case {
        const char* name;
        std::uint32_t declared;
        std::size_t readFailsAfter, writeFailsAfter;
        std::uint64_t limit;
        CompressStatus expected;
    };
    const auto n = static_cast<std::uint32_t>(content.size());
    const Case cases[] = {
        {"AtTheLimit", n, SIZE_MAX, SIZE_MAX, storedSize, CompressStatus::kDone},
        {"OneByteOver", n, SIZE_MAX, SIZE_MAX, storedSize - 1, CompressStatus::kStoredTooLarge},
        {"FarOverTheLimit", n, SIZE_MAX, SIZE_MAX, 1000, CompressStatus::kStoredTooLarge},
        {"Grew", n - 1, SIZE_MAX, SIZE_MAX, kMaxFieldLength, CompressStatus::kLengthChanged},
        {"Shrank", n + 1, SIZE_MAX, SIZE_MAX, kMaxFieldLength, CompressStatus::kLengthChanged},
        {"ReadFails", n, 70000, SIZE_MAX, kMaxFieldLength, CompressStatus::kReadFailed},
        {"WriteFails", n, SIZE_MAX, 100000, kMaxFieldLength, CompressStatus::kWriteFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PieceSource source(content, {4096}, c.readFailsAfter);
        BytesSink sink(c.writeFailsAfter);
        auto work = std::make_unique<LzssWindow>();
        EXPECT_EQ(CompressStream(c.declared, source, sink, *work, c.limit), c.expected);
        if (c.expected == CompressStatus::kStoredTooLarge) {
            // Stopped once the limit was passed, not after the whole stream.
            EXPECT_LE(sink.stored.size(), std::min<std::uint64_t>(c.limit, storedSize));
        }
    }
}

}  // namespace
}  // namespace kelvarin::test
