// Inputs for codec tests and benchmarks: deterministic, so a failure can be
// replayed from its seed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvarin::test {

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed);
// Lines of words from a small vocabulary: many short and medium matches.
std::vector<std::uint8_t> TextLike(std::size_t size, std::uint32_t seed);
// Long runs and short repeating patterns: many 18-byte matches, equal keys
// and deep trees.
std::vector<std::uint8_t> RunsAndPatterns(std::size_t size, std::uint32_t seed);

}  // namespace kelvarin::test
