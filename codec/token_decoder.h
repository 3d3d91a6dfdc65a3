// The one token loop of the stored-file decoders. Where the decoded bytes go
// is a policy: DecompressBuffer writes one growing buffer and takes bytes
// the stream did not write from the entry window; the chunked StreamDecoder
// writes after a window's worth of history and hands full chunks on. Both
// write content linearly, so the loop stores literals and copies matches
// from its own bytes through an output pointer it keeps in a local; an
// output provides
//   OutputRoom MakeRoom(std::uint8_t* op)   called whenever op has passed the
//       limit it gave last (and at the start); it may move the bytes
//   bool CopyForeign(op, produced, position, distance, length)
//       a match reaching before the stream's first byte; false stops
// The loop keeps the pointer, the limit and the origin in locals, so the
// output is consulted only when its room runs short.
//
// The bits sit in a 64-bit buffer refilled a whole word at a time. The fast
// loop runs while a whole word of stream is left and needs no check per
// token; the tail loop takes the last bytes one at a time and uses a token
// only when all of its bits are there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "codec/byte_order.h"
#include "codec/codec_constants.h"

namespace kelvarin {

enum class DecodeStatus { kEndMarker, kExhausted, kStopped };

namespace decoder {

// A match copies in steps of this many bytes when its source lies at least
// as far back, so it may write up to a step past its end.
constexpr std::size_t kCopyStep = 8;
// Matches whose source lies at least this far back copy two wide steps: a
// load that spans several recent narrow stores waits for them to drain.
constexpr std::size_t kWideCopyStep = 16;
// Bytes that one match may write: its length rounded up to whole wide steps.
constexpr std::size_t kMatchWrite =
    (kLookAhead + kWideCopyStep - 1) / kWideCopyStep * kWideCopyStep;
// A whole-word refill reads this many stream bytes and leaves 56 to 63 bits.
constexpr std::size_t kRefillBytes = 8;
constexpr int kBitsAfterRefill = 56;
static_assert(kMatchBits <= kBitsAfterRefill, "a refill must hold a whole token");
// One refill serves at most this many tokens (each takes kLiteralBits at least).
constexpr std::size_t kBatchTokens = 63 / kLiteralBits;
// Room an output keeps free past its pointer at every MakeRoom: a whole
// batch of the longest matches.
constexpr std::size_t kOutputSlack = kBatchTokens * kMatchWrite;
static_assert(kOutputSlack == 7 * 32);

struct OutputRoom {
    std::uint8_t* op;       // where the next byte goes
    std::uint8_t* limit;    // past this, call MakeRoom before the next batch
    std::uintptr_t origin;  // op minus origin is the count of bytes produced
};

// The distance back from content byte `produced` to window `position`; a
// position equal to the current one means a whole window back.
inline std::size_t MatchDistance(std::uint64_t produced, std::size_t position) {
    const auto current = static_cast<std::size_t>((kFirstPosition + produced) & kWindowMask);
    const std::size_t distance = (current - position) & kWindowMask;
    return distance == 0 ? kWindowSize : distance;
}

// Copies `length` bytes from `distance` back. Each step reads only bytes
// that earlier steps have written, so a copy may overlap what it produces.
// REQUIRES: distance > 0; kMatchWrite bytes of room at dst.
inline void CopyFromBehind(std::uint8_t* dst, std::size_t distance, std::size_t length) {
    const std::uint8_t* src = dst - distance;
    if (distance >= kWideCopyStep) {
        std::memcpy(dst, src, kWideCopyStep);
        std::memcpy(dst + kWideCopyStep, src + kWideCopyStep, kWideCopyStep);
    } else if (distance >= kCopyStep) {
        for (std::size_t i = 0; i < length; i += kCopyStep) {
            std::memcpy(dst + i, src + i, kCopyStep);
        }
    } else {
        // Short distances repeat a pattern: byte by byte.
        for (std::size_t i = 0; i < length; ++i) {
            dst[i] = src[i];
        }
    }
}

// Bits of the token at the top of `bits` (the bits below the valid ones are
// zero, so an incomplete position field reads low and asks for fewer bits
// than a match needs, never more than the stream has).
inline int TokenBits(std::uint64_t bits) {
    if ((bits >> 63) != 0) {
        return kLiteralBits;
    }
    return (bits >> (64 - kEndMarkerBits)) == 0 ? kEndMarkerBits : kMatchBits;
}

enum class Step { kToken, kEnd, kStop };

// Takes the token at the top of `bits`.
// REQUIRES: all of its bits are there; op was within its limit at most
// kBatchTokens tokens ago.
template <class Output>
[[gnu::always_inline]] inline Step TakeToken(std::uint64_t& bits, int& count, std::uint8_t*& op,
                                             std::uintptr_t origin, Output& output) {
    if ((bits >> 63) != 0) {
        *op++ = static_cast<std::uint8_t>(bits >> (64 - kLiteralBits));
        bits <<= kLiteralBits;
        count -= kLiteralBits;
        return Step::kToken;
    }
    const auto position = static_cast<std::size_t>(bits >> (64 - kEndMarkerBits));
    if (position == 0) {
        return Step::kEnd;
    }
    const auto length =
        static_cast<std::size_t>((bits >> (64 - kMatchBits)) & ((1u << kLengthBits) - 1)) +
        kMinMatch;
    bits <<= kMatchBits;
    count -= kMatchBits;
    const std::uintptr_t produced = reinterpret_cast<std::uintptr_t>(op) - origin;
    const std::size_t distance = MatchDistance(produced, position);
    if (distance > produced) [[unlikely]] {
        if (!output.CopyForeign(op, produced, position, distance, length)) {
            return Step::kStop;
        }
    } else {
        CopyFromBehind(op, distance, length);
    }
    op += length;
    return Step::kToken;
}

// The stream in one piece: nothing more comes.
struct WholeStream {
    std::span<const std::uint8_t> bytes;
    const std::uint8_t* Data() const { return bytes.data(); }
    std::size_t Size() const { return bytes.size(); }
    bool Refill(const std::uint8_t*&, std::size_t&, std::size_t&) { return false; }
};

// Decodes a stored file's stream (without its length field) from `input`
// into `output`, starting at `op`; `end` receives the pointer past the last
// byte decoded. An input gives its first bytes through Data() and Size();
//   bool Refill(const std::uint8_t*& in, std::size_t& inPos, std::size_t& inSize)
// is called when fewer than kRefillBytes are left: it keeps the bytes from
// inPos on, appends more and returns true, or returns false at the end,
// leaving the rest for the tail loop.
template <class Output, class Input>
DecodeStatus DecodeTokens(Input& input, Output& output, std::uint8_t* op, std::uint8_t*& end) {
    const std::uint8_t* in = input.Data();
    std::size_t inSize = input.Size();
    std::size_t inPos = 0;
    // The next bits of the stream sit at the top of `bits`; `count` are valid.
    // Bits below them are the following stream bits or zero, never other data.
    std::uint64_t bits = 0;
    int count = 0;
    Step step = Step::kToken;
    OutputRoom room = output.MakeRoom(op);
    op = room.op;

    do {
        while (inSize - inPos >= kRefillBytes) {
            if (op > room.limit) [[unlikely]] {
                room = output.MakeRoom(op);
                op = room.op;
            }
            bits |= LoadBigEndian64(in + inPos) >> count;
            inPos += static_cast<std::size_t>((63 - count) >> 3);
            count |= kBitsAfterRefill;
            do {
                step = TakeToken(bits, count, op, room.origin, output);
                if (step != Step::kToken) {
                    goto done;
                }
            } while (count >= kMatchBits);
        }
    } while (input.Refill(in, inPos, inSize));
    for (;;) {
        if (op > room.limit) [[unlikely]] {
            room = output.MakeRoom(op);
            op = room.op;
        }
        while (count <= 56 && inPos < inSize) {
            bits |= static_cast<std::uint64_t>(in[inPos++]) << (56 - count);
            count += 8;
        }
        if (count < TokenBits(bits)) {
            break;
        }
        step = TakeToken(bits, count, op, room.origin, output);
        if (step != Step::kToken) {
            break;
        }
    }

done:
    end = op;
    switch (step) {
        case Step::kEnd:
            return DecodeStatus::kEndMarker;
        case Step::kStop:
            return DecodeStatus::kStopped;
        case Step::kToken:
            break;
    }
    return DecodeStatus::kExhausted;
}

}  // namespace decoder

}  // namespace kelvarin
