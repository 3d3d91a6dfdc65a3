// The stored-file decoder. The bits sit in a 64-bit buffer that is refilled
// a whole word at a time, and every match is copied straight from the
// content decoded so far: the window is written only once, at the end, with
// what a byte-at-a-time decoder would have left in it. The main loop needs
// no bounds check per token: it runs while a whole word of stream and room
// for a whole batch of tokens are left; a careful loop does the last bytes.
#include "codec/decompressor.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "codec/bit_stream.h"
#include "codec/byte_order.h"
#include "codec/stream_decoder.h"
#include "fileio/file_reader.h"

namespace kelvarin {

namespace {

// A match copies in steps of this many bytes when its source lies at least
// as far back, and may write up to a step past its end.
constexpr std::size_t kCopyStep = 8;
// Bytes that one match may write: its length rounded up to whole steps.
constexpr std::size_t kMatchWrite = (kLookAhead + kCopyStep - 1) / kCopyStep * kCopyStep;
// A refill leaves at most 63 bits and a token takes 9 at least, so one
// refill serves at most 63 / 9 tokens.
constexpr std::size_t kBatchTokens = 63 / kLiteralBits;
// Room kept free past the last decoded byte so that a whole batch can be
// written without a check per token.
constexpr std::size_t kOutputSlack = kBatchTokens * kMatchWrite;
// A whole-word refill reads this many stream bytes.
constexpr std::size_t kRefillBytes = 8;
// The output vector grows by this much at a time: small enough to stay in the
// level-2 cache between being zero-filled and being overwritten.
constexpr std::size_t kGrowStep = 64 * 1024;
// Content can be at most this many times its stream (18 bytes for 19 bits).
constexpr std::size_t kMaxExpansion = 8;

// Leaves in the window what a byte-at-a-time decoder leaves there: the last
// (up to) 16384 decoded bytes, each at its window position, and the mirror
// in step with them.
void StoreTail(LzssWindow& work, const std::uint8_t* content, std::size_t produced) {
    const std::size_t kept = std::min<std::size_t>(produced, kWindowSize);
    ApplyWindowEffect(std::span<std::uint8_t, kWindowSize>(work.window.data(), kWindowSize),
                      std::span<const std::uint8_t>(content + produced - kept, kept), produced);
    std::memcpy(&work.window[kWindowSize], &work.window[0], kMirrorBytes);
}

// Makes room for kOutputSlack more bytes past `produced`; returns the
// (possibly moved) storage. Out of line: it runs about once per 64 KiB.
[[gnu::noinline]] std::uint8_t* GrowOutput(std::vector<std::uint8_t>& content,
                                           std::size_t produced) {
    const std::size_t wanted = std::max(content.size() + kGrowStep, produced + kOutputSlack);
    if (wanted > content.capacity()) {
        content.reserve(std::max(content.capacity() * 2, wanted));
    }
    content.resize(wanted);
    return content.data();
}

void ReportExhausted() {
    std::fputs(kInputBitFatal, stdout);
    std::fflush(stdout);
}

// Copies a match of `length` bytes from `position` to content[produced...].
// Bytes before the content's first one come from the window as it was on
// entry (this stream has not written those positions yet). May write up to
// kMatchWrite bytes.
// REQUIRES: kMatchWrite bytes of room at content[produced]; 0 < position.
inline void CopyMatch(std::uint8_t* out, std::size_t produced, std::size_t position,
                      std::size_t length, const std::uint8_t* window) {
    // Distance back from the current position; 0 means a whole window.
    const std::size_t current = (kFirstPosition + produced) & kWindowMask;
    std::size_t distance = (current - position) & kWindowMask;
    if (distance == 0) {
        distance = kWindowSize;
    }
    std::uint8_t* dst = out + produced;
    if (distance > produced) [[unlikely]] {
        for (std::size_t i = 0; i < length; ++i) {
            const std::size_t at = produced + i;
            dst[i] = at >= distance ? out[at - distance] : window[(position + i) & kWindowMask];
        }
    } else if (distance >= kCopyStep) {
        // Each step reads only bytes that earlier steps have written.
        const std::uint8_t* src = dst - distance;
        for (std::size_t i = 0; i < length; i += kCopyStep) {
            std::memcpy(dst + i, src + i, kCopyStep);
        }
    } else {
        // Short distances repeat a pattern: copy byte by byte.
        const std::uint8_t* src = dst - distance;
        for (std::size_t i = 0; i < length; ++i) {
            dst[i] = src[i];
        }
    }
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

    // The length field is only a hint, and no stream expands beyond
    // kMaxExpansion; a reused buffer keeps its storage, but only the bytes
    // that this content needs are zero-filled (growing a vector fills it).
    // A wrong hint costs growth steps, each small enough to be still in the
    // cache when the decoder overwrites it.
    content.clear();
    const std::size_t bound = inSize * kMaxExpansion;
    content.resize(std::min(sizeHint, bound) + kOutputSlack);
    std::uint8_t* out = content.data();
    std::size_t produced = 0;
    const std::uint8_t* window = work.window.data();
    DecodeStatus status = DecodeStatus::kExhausted;

    // Writable bytes of `content`, kept in a local so that the loops hold
    // their state in registers.
    std::size_t room = content.size();

    // Main loop: one whole-word refill, then tokens while a whole match's
    // bits are left.
    while (inSize - inPos >= kRefillBytes) {
        if (produced + kOutputSlack > room) [[unlikely]] {
            out = GrowOutput(content, produced);
            room = content.size();
        }
        bits |= LoadBigEndian64(in + inPos) >> count;
        inPos += static_cast<std::size_t>((63 - count) >> 3);
        count |= 56;
        do {
            if ((bits >> 63) != 0) {
                out[produced++] = static_cast<std::uint8_t>(bits >> (64 - kLiteralBits));
                bits <<= kLiteralBits;
                count -= kLiteralBits;
                continue;
            }
            const auto position = static_cast<std::size_t>(bits >> (64 - kEndMarkerBits));
            if (position == 0) {
                status = DecodeStatus::kEndMarker;
                goto done;
            }
            const auto length =
                static_cast<std::size_t>((bits >> (64 - kMatchBits)) & ((1u << kLengthBits) - 1)) +
                kMinMatch;
            bits <<= kMatchBits;
            count -= kMatchBits;
            CopyMatch(out, produced, position, length, window);
            produced += length;
        } while (count >= kMatchBits);
    }

    // The last stream bytes: a byte at a time, and a token only when all of
    // its bits are there.
    for (;;) {
        if (produced + kOutputSlack > room) [[unlikely]] {
            out = GrowOutput(content, produced);
            room = content.size();
        }
        while (count <= 56 && inPos < inSize) {
            bits |= static_cast<std::uint64_t>(in[inPos++]) << (56 - count);
            count += 8;
        }
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
        CopyMatch(out, produced, position, length, window);
        produced += length;
    }

done:
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
    if (!ReadWholeFile(path, stored, SIZE_MAX).Ok()) {
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
