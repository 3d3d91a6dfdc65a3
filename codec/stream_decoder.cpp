// The chunked decoder. Output is written linearly after a history of
// kWindowSize bytes, so a match always copies from `out - distance` without
// wrapping: before the first compaction the history holds the entry window
// rotated so that history byte j is window position (j + 1) mod kWindowSize,
// which is exactly where a byte-at-a-time decoder would find the bytes the
// stream has not written itself. When a chunk is full it is handed on and
// the last kWindowSize bytes move to the front to become the history.
#include "codec/stream_decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "codec/bit_stream.h"
#include "codec/byte_order.h"

namespace kelvarin {

namespace {

// Content handed on at a time. At least a window, so that a foreign read
// (possible only within the first kWindowSize bytes) always comes before
// the first chunk is handed on.
constexpr std::size_t kChunkSize = 128 * 1024;
static_assert(kChunkSize >= kWindowSize);
// Room past the chunk for the token that fills it: the longest match, written
// in 8-byte steps.
constexpr std::size_t kOutputSlack = kLookAhead + 8;
constexpr std::size_t kBufferSize = kWindowSize + kChunkSize + kOutputSlack;

}  // namespace

StreamDecoder::StreamDecoder()
    : m_buffer(std::make_unique<std::uint8_t[]>(kBufferSize)),
      m_tailEnd(m_buffer.get() + kWindowSize) {}

StreamDecodeResult StreamDecoder::Decode(std::span<const std::uint8_t> stream,
                                         const std::uint8_t* window, const DecodedChunkSink& sink) {
    std::uint8_t* const buffer = m_buffer.get();
    if (window != nullptr) {
        std::memcpy(buffer, window + kFirstPosition, kWindowSize - kFirstPosition);
        std::memcpy(buffer + kWindowSize - kFirstPosition, window, kFirstPosition);
    }
    const std::uint8_t* in = stream.data();
    const std::size_t inSize = stream.size();
    std::size_t inPos = 0;
    // The next bits of the stream sit at the top of `bits`; `count` are valid.
    // Bits below them are the following stream bits or zero, never other data.
    std::uint64_t bits = 0;
    int count = 0;

    std::uint8_t* out = buffer + kWindowSize;
    std::uint8_t* handedOn = out;  // first byte not yet given to the sink
    // Bytes before this were not written by this stream (until the first
    // compaction, after which the whole history is the stream's own).
    const std::uint8_t* streamStart = out;
    std::uint8_t* const chunkEnd = buffer + kWindowSize + kChunkSize;
    std::uint64_t movedOut = 0;  // content bytes that compactions dropped from the front
    StreamDecodeResult result;

    for (;;) {
        if (out >= chunkEnd) {
            sink(handedOn, static_cast<std::size_t>(out - handedOn));
            std::memmove(buffer, out - kWindowSize, kWindowSize);
            movedOut += static_cast<std::uint64_t>(out - kWindowSize - buffer);
            out = buffer + kWindowSize;
            handedOn = out;
            streamStart = buffer;
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
            *out++ = static_cast<std::uint8_t>(bits >> (64 - kLiteralBits));
            bits <<= kLiteralBits;
            count -= kLiteralBits;
            continue;
        }
        if (count < kEndMarkerBits) {
            break;
        }
        const auto position = static_cast<std::size_t>(bits >> (64 - kEndMarkerBits));
        if (position == 0) {
            result.status = DecodeStatus::kEndMarker;
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

        const std::uint64_t produced = movedOut + static_cast<std::uint64_t>(out - buffer) -
                                       static_cast<std::uint64_t>(kWindowSize);
        const std::size_t current = (kFirstPosition + produced) & kWindowMask;
        // Distance back from the current position; 0 means a whole window.
        std::size_t distance = (current - position) & kWindowMask;
        if (distance == 0) {
            distance = kWindowSize;
        }
        const std::uint8_t* src = out - distance;
        if (src < streamStart) {
            result.foreignRead = true;
            if (window == nullptr) {
                result.stopped = true;
                break;
            }
        }
        if (distance >= 8) {
            for (std::size_t i = 0; i < length; i += 8) {
                std::memcpy(out + i, src + i, 8);
            }
        } else {
            for (std::size_t i = 0; i < length; ++i) {
                out[i] = src[i];
            }
        }
        out += length;
    }

    result.produced = movedOut + static_cast<std::uint64_t>(out - buffer) -
                      static_cast<std::uint64_t>(kWindowSize);
    m_tailEnd = out;
    m_tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(result.produced, kWindowSize));
    if (result.stopped) {
        return result;
    }
    if (out != handedOn) {
        sink(handedOn, static_cast<std::size_t>(out - handedOn));
    }
    if (result.status == DecodeStatus::kExhausted) {
        std::fputs(kInputBitFatal, stdout);
        std::fflush(stdout);
    }
    return result;
}

void ApplyWindowEffect(std::span<std::uint8_t, kWindowSize> window,
                       std::span<const std::uint8_t> tail, std::uint64_t produced) {
    std::uint64_t index = produced - tail.size();
    std::size_t j = 0;
    while (j < tail.size()) {
        const std::size_t position = (kFirstPosition + index) & kWindowMask;
        const std::size_t run = std::min(tail.size() - j, kWindowSize - position);
        std::memcpy(window.data() + position, tail.data() + j, run);
        j += run;
        index += run;
    }
}

}  // namespace kelvarin
