// The MD5 compression function over a run of whole blocks, without the state
// trace. MD5Update uses it while nobody listens to the debug output, and the
// benchmarks use it as the trace-free baseline that the traced path is
// measured against.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvarin {

// Compresses `blockCount` consecutive 64-byte blocks into `state`, in order.
// REQUIRES: `blocks` points to 64 * `blockCount` readable bytes (any alignment).
void Md5Blocks(std::uint32_t state[4], const std::uint8_t* blocks, std::size_t blockCount);

}  // namespace kelvarin
