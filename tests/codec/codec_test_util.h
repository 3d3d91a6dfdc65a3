// Helpers for the codec tests: fast and literal codec side by side, window
// comparison, and a tiny writer for hand-made streams.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "tests/support/literal_codec.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {

// A fast work area and a literal one that must stay in the same state.
struct WorkPair {
    std::unique_ptr<LzssWindow> fast = std::make_unique<LzssWindow>();
    std::unique_ptr<LiteralWindow> literal = std::make_unique<LiteralWindow>();

    // Gives both the same window bytes.
    void FillWindow(const Bytes& bytes) {
        for (int p = 0; p < kWindowSize; ++p) {
            const std::uint8_t b = bytes[static_cast<std::size_t>(p) % bytes.size()];
            StoreWindowByte(*fast, p, b);
            literal->window[p] = b;
        }
    }

    ::testing::AssertionResult WindowsAgree() const {
        for (int p = 0; p < kWindowSize; ++p) {
            if (fast->window[static_cast<std::size_t>(p)] != literal->window[p]) {
                return ::testing::AssertionFailure() << "window byte " << p << " differs";
            }
        }
        for (int k = 0; k < kMirrorBytes; ++k) {
            if (fast->window[static_cast<std::size_t>(kWindowSize + k)] !=
                fast->window[static_cast<std::size_t>(k)]) {
                return ::testing::AssertionFailure() << "mirror byte " << k << " is stale";
            }
        }
        return ::testing::AssertionSuccess();
    }
};

inline Bytes FastCompress(const Bytes& content, LzssWindow& work) {
    Bytes stored;
    CompressBuffer(content, work, stored);
    return stored;
}

inline Bytes FastDecompress(const Bytes& stored, LzssWindow& work, DecodeStatus* status = nullptr) {
    Bytes content;
    std::span<const std::uint8_t> stream(stored);
    stream =
        stream.size() >= kHeaderSize ? stream.subspan(kHeaderSize) : stream.subspan(stream.size());
    const DecodeStatus result = DecompressBuffer(stream, work, content);
    if (status != nullptr) {
        *status = result;
    }
    return content;
}

// Builds a stored file token by token, independently of the codec's writer.
class StreamBuilder {
public:
    explicit StreamBuilder(std::uint32_t lengthField = 0) {
        for (int shift = 0; shift < 32; shift += 8) {
            m_bytes.push_back(static_cast<std::uint8_t>(lengthField >> shift));
        }
    }
    StreamBuilder& Literal(std::uint8_t byte) {
        Put(1, 1);
        Put(8, byte);
        return *this;
    }
    StreamBuilder& Match(unsigned position, unsigned length) {
        Put(1, 0);
        Put(14, position);
        Put(4, length - 3);
        return *this;
    }
    StreamBuilder& End() {
        Put(1, 0);
        Put(14, 0);
        return *this;
    }
    Bytes Finish() {
        Bytes out = m_bytes;
        if (m_used != 0) {
            out.push_back(m_pending);
        }
        return out;
    }

private:
    void Put(int count, unsigned value) {
        for (int bit = count - 1; bit >= 0; --bit) {
            m_pending =
                static_cast<std::uint8_t>(m_pending | (((value >> bit) & 1u) << (7 - m_used)));
            if (++m_used == 8) {
                m_bytes.push_back(m_pending);
                m_pending = 0;
                m_used = 0;
            }
        }
    }
    Bytes m_bytes;
    std::uint8_t m_pending = 0;
    int m_used = 0;
};

}  // namespace kelvarin::test
