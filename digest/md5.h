// MD5 (RFC 1321) with the reference implementation's interface and byte
// order: MD5Init, any number of MD5Update calls, one MD5Final. After every
// 64-byte block the chaining state is traced as one line
// "state:%x %x %x %x\r\n" to the debug output sink; the line is formatted only
// while something listens, so the trace costs nothing in normal work.
// A context is a plain record owned by its caller; nothing is shared between
// contexts, so digests may run on several threads at once.
#pragma once

#include <cstdint>

namespace kelvarin {

struct Md5Context {
    std::uint32_t state[4];   // A, B, C, D
    std::uint32_t count[2];   // message bits taken in, modulo 2^64, low word first
    std::uint8_t buffer[64];  // bytes of the block not yet complete: (count / 8) % 64 of them
};

// Sets the initial chaining values and a zero bit count; `buffer` is left as
// it is (its valid part is empty).
void MD5Init(Md5Context* context);

// Takes in `length` bytes; a length of 0 changes nothing. Whole blocks are
// compressed straight from `input`; only a block that straddles two calls is
// assembled in `buffer`.
// REQUIRES: `context` was initialised by MD5Init and not finalised since;
// `input` points to `length` readable bytes (it may be null when `length` is 0).
void MD5Update(Md5Context* context, const std::uint8_t* input, std::uint32_t length);

// Pads the message, writes the 16-byte digest and sets every field of the
// context to 0; the context must be initialised again before further use.
// REQUIRES: `context` was initialised by MD5Init; `digest` has room for 16 bytes.
void MD5Final(std::uint8_t digest[16], Md5Context* context);

}  // namespace kelvarin
