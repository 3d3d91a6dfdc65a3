// MD5 over byte runs. The block loop keeps A, B, C and D in locals across
// all the blocks of one call and reads the message words straight from the
// caller's little-endian bytes, so the compiler holds the state in registers
// and no block is copied. The trace is a compile-time switch of that loop:
// MD5Update asks once per call whether anyone listens and then runs the
// traced or the trace-free loop; only the traced one stores and formats the
// state after each block.
#include "digest/md5.h"

#include <bit>
#include <charconv>
#include <cstring>
#include <string_view>

#include "digest/md5_blocks.h"
#include "platform/debug_output.h"

namespace kelvarin {

namespace {

constexpr std::uint32_t kBlockSize = 64;

// Rotation amounts of the four rounds.
constexpr int kS11 = 7, kS12 = 12, kS13 = 17, kS14 = 22;
constexpr int kS21 = 5, kS22 = 9, kS23 = 14, kS24 = 20;
constexpr int kS31 = 4, kS32 = 11, kS33 = 16, kS34 = 23;
constexpr int kS41 = 6, kS42 = 10, kS43 = 15, kS44 = 21;

// The padding that MD5Final appends: one 0x80 byte, then zeros.
constexpr std::uint8_t kPadding[kBlockSize] = {0x80};

// Word `index` of a block, least significant byte first. Compilers turn
// this into one load on little-endian machines.
inline std::uint32_t Word(const std::uint8_t* block, int index) {
    const std::uint8_t* bytes = block + 4 * index;
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// One step of each round. The message word and the constant are added
// before the auxiliary function so that this sum does not wait for b, c and
// d: it is the part of the step off the critical path.
inline void StepF(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t x, int s, std::uint32_t t) {
    a += x + t;
    a += d ^ (b & (c ^ d));
    a = std::rotl(a, s) + b;
}

// G = (b & d) | (c & ~d); the two halves never share a bit, so they can be
// added one by one, and (c & ~d) does not wait for b.
inline void StepG(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t x, int s, std::uint32_t t) {
    a += x + t;
    a += c & ~d;
    a += b & d;
    a = std::rotl(a, s) + b;
}

inline void StepH(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t x, int s, std::uint32_t t) {
    a += x + t;
    a += b ^ c ^ d;
    a = std::rotl(a, s) + b;
}

inline void StepI(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t x, int s, std::uint32_t t) {
    a += x + t;
    a += c ^ (b | ~d);
    a = std::rotl(a, s) + b;
}

// Sends "state:%x %x %x %x\r\n" of the four words to the debug output.
void TraceState(const std::uint32_t state[4]) {
    // "state:", four words of at most 8 digits, three spaces, "\r\n".
    char line[6 + 4 * 8 + 3 + 2];
    char* out = line;
    std::memcpy(out, "state:", 6);
    out += 6;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            *out++ = ' ';
        }
        out = std::to_chars(out, line + sizeof line, state[i], 16).ptr;
    }
    *out++ = '\r';
    *out++ = '\n';
    OutputDebugLine(std::string_view(line, static_cast<std::size_t>(out - line)));
}

template <bool kTrace>
void CompressBlocks(std::uint32_t state[4], const std::uint8_t* blocks, std::size_t blockCount) {
    std::uint32_t a = state[0];
    std::uint32_t b = state[1];
    std::uint32_t c = state[2];
    std::uint32_t d = state[3];
    for (const std::uint8_t* p = blocks; blockCount > 0; --blockCount, p += kBlockSize) {
        const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

        StepF(a, b, c, d, Word(p, 0), kS11, 0xd76aa478);
        StepF(d, a, b, c, Word(p, 1), kS12, 0xe8c7b756);
        StepF(c, d, a, b, Word(p, 2), kS13, 0x242070db);
        StepF(b, c, d, a, Word(p, 3), kS14, 0xc1bdceee);
        StepF(a, b, c, d, Word(p, 4), kS11, 0xf57c0faf);
        StepF(d, a, b, c, Word(p, 5), kS12, 0x4787c62a);
        StepF(c, d, a, b, Word(p, 6), kS13, 0xa8304613);
        StepF(b, c, d, a, Word(p, 7), kS14, 0xfd469501);
        StepF(a, b, c, d, Word(p, 8), kS11, 0x698098d8);
        StepF(d, a, b, c, Word(p, 9), kS12, 0x8b44f7af);
        StepF(c, d, a, b, Word(p, 10), kS13, 0xffff5bb1);
        StepF(b, c, d, a, Word(p, 11), kS14, 0x895cd7be);
        StepF(a, b, c, d, Word(p, 12), kS11, 0x6b901122);
        StepF(d, a, b, c, Word(p, 13), kS12, 0xfd987193);
        StepF(c, d, a, b, Word(p, 14), kS13, 0xa679438e);
        StepF(b, c, d, a, Word(p, 15), kS14, 0x49b40821);

        StepG(a, b, c, d, Word(p, 1), kS21, 0xf61e2562);
        StepG(d, a, b, c, Word(p, 6), kS22, 0xc040b340);
        StepG(c, d, a, b, Word(p, 11), kS23, 0x265e5a51);
        StepG(b, c, d, a, Word(p, 0), kS24, 0xe9b6c7aa);
        StepG(a, b, c, d, Word(p, 5), kS21, 0xd62f105d);
        StepG(d, a, b, c, Word(p, 10), kS22, 0x02441453);
        StepG(c, d, a, b, Word(p, 15), kS23, 0xd8a1e681);
        StepG(b, c, d, a, Word(p, 4), kS24, 0xe7d3fbc8);
        StepG(a, b, c, d, Word(p, 9), kS21, 0x21e1cde6);
        StepG(d, a, b, c, Word(p, 14), kS22, 0xc33707d6);
        StepG(c, d, a, b, Word(p, 3), kS23, 0xf4d50d87);
        StepG(b, c, d, a, Word(p, 8), kS24, 0x455a14ed);
        StepG(a, b, c, d, Word(p, 13), kS21, 0xa9e3e905);
        StepG(d, a, b, c, Word(p, 2), kS22, 0xfcefa3f8);
        StepG(c, d, a, b, Word(p, 7), kS23, 0x676f02d9);
        StepG(b, c, d, a, Word(p, 12), kS24, 0x8d2a4c8a);

        StepH(a, b, c, d, Word(p, 5), kS31, 0xfffa3942);
        StepH(d, a, b, c, Word(p, 8), kS32, 0x8771f681);
        StepH(c, d, a, b, Word(p, 11), kS33, 0x6d9d6122);
        StepH(b, c, d, a, Word(p, 14), kS34, 0xfde5380c);
        StepH(a, b, c, d, Word(p, 1), kS31, 0xa4beea44);
        StepH(d, a, b, c, Word(p, 4), kS32, 0x4bdecfa9);
        StepH(c, d, a, b, Word(p, 7), kS33, 0xf6bb4b60);
        StepH(b, c, d, a, Word(p, 10), kS34, 0xbebfbc70);
        StepH(a, b, c, d, Word(p, 13), kS31, 0x289b7ec6);
        StepH(d, a, b, c, Word(p, 0), kS32, 0xeaa127fa);
        StepH(c, d, a, b, Word(p, 3), kS33, 0xd4ef3085);
        StepH(b, c, d, a, Word(p, 6), kS34, 0x04881d05);
        StepH(a, b, c, d, Word(p, 9), kS31, 0xd9d4d039);
        StepH(d, a, b, c, Word(p, 12), kS32, 0xe6db99e5);
        StepH(c, d, a, b, Word(p, 15), kS33, 0x1fa27cf8);
        StepH(b, c, d, a, Word(p, 2), kS34, 0xc4ac5665);

        StepI(a, b, c, d, Word(p, 0), kS41, 0xf4292244);
        StepI(d, a, b, c, Word(p, 7), kS42, 0x432aff97);
        StepI(c, d, a, b, Word(p, 14), kS43, 0xab9423a7);
        StepI(b, c, d, a, Word(p, 5), kS44, 0xfc93a039);
        StepI(a, b, c, d, Word(p, 12), kS41, 0x655b59c3);
        StepI(d, a, b, c, Word(p, 3), kS42, 0x8f0ccc92);
        StepI(c, d, a, b, Word(p, 10), kS43, 0xffeff47d);
        StepI(b, c, d, a, Word(p, 1), kS44, 0x85845dd1);
        StepI(a, b, c, d, Word(p, 8), kS41, 0x6fa87e4f);
        StepI(d, a, b, c, Word(p, 15), kS42, 0xfe2ce6e0);
        StepI(c, d, a, b, Word(p, 6), kS43, 0xa3014314);
        StepI(b, c, d, a, Word(p, 13), kS44, 0x4e0811a1);
        StepI(a, b, c, d, Word(p, 4), kS41, 0xf7537e82);
        StepI(d, a, b, c, Word(p, 11), kS42, 0xbd3af235);
        StepI(c, d, a, b, Word(p, 2), kS43, 0x2ad7d2bb);
        StepI(b, c, d, a, Word(p, 9), kS44, 0xeb86d391);

        a += a0;
        b += b0;
        c += c0;
        d += d0;
        if constexpr (kTrace) {
            state[0] = a;
            state[1] = b;
            state[2] = c;
            state[3] = d;
            TraceState(state);
        }
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

// The RFC's block function over a run of whole blocks, traced only while
// someone listens.
void MD5Transform(std::uint32_t state[4], const std::uint8_t* blocks, std::size_t blockCount,
                  bool trace) {
    if (trace) {
        CompressBlocks<true>(state, blocks, blockCount);
    } else {
        CompressBlocks<false>(state, blocks, blockCount);
    }
}

// Words to bytes, least significant byte first.
void Encode(std::uint8_t* output, const std::uint32_t* input, std::uint32_t length) {
    for (std::uint32_t i = 0, j = 0; j < length; ++i, j += 4) {
        output[j] = static_cast<std::uint8_t>(input[i]);
        output[j + 1] = static_cast<std::uint8_t>(input[i] >> 8);
        output[j + 2] = static_cast<std::uint8_t>(input[i] >> 16);
        output[j + 3] = static_cast<std::uint8_t>(input[i] >> 24);
    }
}

}  // namespace

void Md5Blocks(std::uint32_t state[4], const std::uint8_t* blocks, std::size_t blockCount) {
    CompressBlocks<false>(state, blocks, blockCount);
}

void MD5Init(Md5Context* context) {
    context->state[0] = 0x67452301;
    context->state[1] = 0xefcdab89;
    context->state[2] = 0x98badcfe;
    context->state[3] = 0x10325476;
    context->count[0] = 0;
    context->count[1] = 0;
}

void MD5Update(Md5Context* context, const std::uint8_t* input, std::uint32_t length) {
    if (length == 0) {
        return;
    }
    std::uint32_t index = (context->count[0] >> 3) & (kBlockSize - 1);

    // length * 8 as a 64-bit addition: a carry out of the low word, and the
    // three top bits of length that do not fit in it.
    const std::uint32_t addedBits = length << 3;
    context->count[0] += addedBits;
    if (context->count[0] < addedBits) {
        ++context->count[1];
    }
    context->count[1] += length >> 29;

    const std::uint32_t partLength = kBlockSize - index;
    std::uint32_t taken = 0;
    if (length >= partLength) {
        const bool trace = DebugOutputListening();
        if (index > 0) {
            // The block straddles two calls: complete it in the buffer.
            std::memcpy(&context->buffer[index], input, partLength);
            MD5Transform(context->state, context->buffer, 1, trace);
            taken = partLength;
        }
        const std::uint32_t wholeBlocks = (length - taken) / kBlockSize;
        MD5Transform(context->state, input + taken, wholeBlocks, trace);
        taken += wholeBlocks * kBlockSize;
        index = 0;
    }
    std::memcpy(&context->buffer[index], input + taken, length - taken);
}

void MD5Final(std::uint8_t digest[16], Md5Context* context) {
    std::uint8_t bits[8];
    Encode(bits, context->count, 8);

    const std::uint32_t index = (context->count[0] >> 3) & (kBlockSize - 1);
    const std::uint32_t padLength = index < 56 ? 56 - index : 120 - index;
    MD5Update(context, kPadding, padLength);
    MD5Update(context, bits, 8);

    Encode(digest, context->state, 16);
    std::memset(context, 0, sizeof *context);
}

}  // namespace kelvarin
