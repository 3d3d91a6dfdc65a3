#include "codec/decompressor.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "codec/bit_stream.h"
#include "codec/byte_order.h"
#include "codec/file_io.h"

namespace kelvarin {

namespace {

// Room kept free past the last decoded byte, so that a token can be written
// without checking: the longest match, plus a whole 8-byte copy step.
constexpr std::size_t kOutputSlack = kLookAhead + 8;
// Content can be at most this many times its stream (18 bytes for 19 bits).
constexpr std::size_t kMaxExpansion = 8;

// Leaves in the window what a byte-at-a-time decoder leaves there: the last
// (up to) 16384 decoded bytes, each at its window position.
void StoreTail(LzssWindow& work, const std::uint8_t* content, std::size_t produced) {
    const std::size_t first = produced > kWindowSize ? produced - kWindowSize : 0;
    std::size_t j = first;
    while (j < produced) {
        const std::size_t position = (kFirstPosition + j) & kWindowMask;
        const std::size_t run = std::min(produced - j, kWindowSize - position);
        std::memcpy(&work.window[position], content + j, run);
        j += run;
    }
    std::memcpy(&work.window[kWindowSize], &work.window[0], kMirrorBytes);
}

void ReportExhausted() {
    std::fputs(kInputBitFatal, stdout);
    std::fflush(stdout);
}

}  // namespace

DecodeStatus DecompressBuffer(std::span<const std::uint8_t> stream, LzssWindow& work,
                              std::vector<std::uint8_t>& content, std::size_t sizeHint) {
    const std::uint8_t* in = stream.data();
    const std::size_t inSize = stream.size();
    std::size_t inPos = 0;
    // The next bits of the stream sit at the top of `bits`; `count` are valid.
    // Bits below them are the following stream bits or zero, never other data.
    std::uint64_t bits = 0;
    int count = 0;

    content.clear();
    const std::size_t bound = inSize * kMaxExpansion;
    content.resize(std::max(content.capacity(), std::min(sizeHint, bound) + kOutputSlack));
    std::uint8_t* out = content.data();
    std::size_t produced = 0;
    const std::uint8_t* window = work.window.data();
    DecodeStatus status = DecodeStatus::kExhausted;

    for (;;) {
        if (produced + kOutputSlack > content.size()) {
            content.resize(std::max(content.size() * 2, produced + kOutputSlack));
            out = content.data();
        }
        if (inSize - inPos >= 8) {
            bits |= LoadBigEndian64(in + inPos) >> count;
            inPos += static_cast<std::size_t>((63 - count) >> 3);
            count |= 56;
        } else {
            while (count <= 56 && inPos < inSize) {
                bits |= static_cast<std::uint64_t>(in[inPos++]) << (56 - count);
                count += 8;
            }
        }
        // A token is used only when all of its bits are there.
        if (count < 1) {
            break;
        }
        if ((bits >> 63) != 0) {
            if (count < kLiteralBits) {
                break;
            }
            out[produced++] = static_cast<std::uint8_t>(bits >> (64 - kLiteralBits));
            bits <<= kLiteralBits;
            count -= kLiteralBits;
            continue;
        }
        if (count < kEndMarkerBits) {
            break;
        }
        const auto position = static_cast<std::size_t>(bits >> (64 - kEndMarkerBits));
        if (position == 0) {
            status = DecodeStatus::kEndMarker;
            break;
        }
        if (count < kMatchBits) {
            break;
        }
        const auto length =
            static_cast<std::size_t>((bits >> (64 - kMatchBits)) & ((1u << kLengthBits) - 1)) +
            kMinMatch;
        bits <<= kMatchBits;
        count -= kMatchBits;

        // Distance back from the current position; 0 means a whole window.
        const std::size_t current = (kFirstPosition + produced) & kWindowMask;
        std::size_t distance = (current - position) & kWindowMask;
        if (distance == 0) {
            distance = kWindowSize;
        }
        std::uint8_t* dst = out + produced;
        if (distance > produced) {
            // The source starts before this stream's first byte: those bytes
            // are whatever the window held on entry.
            for (std::size_t i = 0; i < length; ++i) {
                const std::size_t at = produced + i;
                dst[i] = at >= distance ? out[at - distance] : window[(position + i) & kWindowMask];
            }
        } else if (distance >= 8) {
            const std::uint8_t* src = dst - distance;
            for (std::size_t i = 0; i < length; i += 8) {
                std::memcpy(dst + i, src + i, 8);
            }
        } else {
            const std::uint8_t* src = dst - distance;
            for (std::size_t i = 0; i < length; ++i) {
                dst[i] = src[i];
            }
        }
        produced += length;
    }
    if (status == DecodeStatus::kExhausted) {
        ReportExhausted();
    }
    StoreTail(work, out, produced);
    content.resize(produced);
    return status;
}

int DecompressFile(const std::string& path, LzssWindow& work, std::vector<std::uint8_t>& content) {
    content.clear();
    std::vector<std::uint8_t> stored;
    if (ReadWholeFile(path, stored, SIZE_MAX) != ReadResult::kOk) {
        return 0;
    }
    std::span<const std::uint8_t> stream(stored);
    std::size_t sizeHint = 0;
    if (stream.size() >= kHeaderSize) {
        for (std::size_t i = 0; i < kHeaderSize; ++i) {
            sizeHint |= static_cast<std::size_t>(stream[i]) << (8 * i);
        }
        stream = stream.subspan(kHeaderSize);
    } else {
        // No complete header: nothing of a stream follows it.
        stream = {};
    }
    return DecompressBuffer(stream, work, content, sizeHint) == DecodeStatus::kEndMarker ? 1 : 0;
}

}  // namespace kelvarin
