// MD5 written as its definition reads: the sine table computed, the rounds
// as one loop over index tables, the padding appended to a copy of the
// message. It is slow and shares no code with the digest library, so it can
// tell what every block's state must be, and so what the trace must show.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvarin::test {

using Md5State = std::array<std::uint32_t, 4>;
using Md5Digest = std::array<std::uint8_t, 16>;

struct PlainMd5Result {
    std::vector<Md5State> states;  // the state after each block, padding blocks included
    Md5Digest digest{};
};

PlainMd5Result PlainMd5(const std::vector<std::uint8_t>& message);

// One block compressed into `state`.
void PlainMd5Block(Md5State& state, const std::uint8_t* block);

// "state:%x %x %x %x\r\n" of the four words, formatted by printf.
std::string PlainTraceLine(const Md5State& state);

// The lines that a message's digest must trace, one per block.
std::vector<std::string> PlainTraceLines(const std::vector<std::uint8_t>& message);

}  // namespace kelvarin::test
