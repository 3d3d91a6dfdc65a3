#include "tests/digest/plain_md5.h"

#include <cmath>
#include <cstdio>

namespace kelvarin::test {

namespace {

constexpr int kShifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

std::uint32_t Sine(int i) {
    return static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
}

std::uint32_t Rotl(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

}  // namespace

void PlainMd5Block(Md5State& state, const std::uint8_t* block) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
        x[i] = 0;
        for (int k = 3; k >= 0; --k) {
            x[i] = (x[i] << 8) | block[4 * i + k];
        }
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        std::uint32_t f = 0;
        int word = 0;
        switch (round) {
            case 0:
                f = (b & c) | (~b & d);
                word = i;
                break;
            case 1:
                f = (b & d) | (c & ~d);
                word = (1 + 5 * i) % 16;
                break;
            case 2:
                f = b ^ c ^ d;
                word = (5 + 3 * i) % 16;
                break;
            default:
                f = c ^ (b | ~d);
                word = (7 * i) % 16;
                break;
        }
        const std::uint32_t next = b + Rotl(a + f + x[word] + Sine(i), kShifts[round][i % 4]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

PlainMd5Result PlainMd5(const std::vector<std::uint8_t>& message) {
    std::vector<std::uint8_t> padded = message;
    padded.push_back(0x80);
    while (padded.size() % 64 != 56) {
        padded.push_back(0);
    }
    const std::uint64_t bits = static_cast<std::uint64_t>(message.size()) * 8;
    for (int k = 0; k < 8; ++k) {
        padded.push_back(static_cast<std::uint8_t>(bits >> (8 * k)));
    }

    PlainMd5Result result;
    Md5State state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (std::size_t offset = 0; offset < padded.size(); offset += 64) {
        PlainMd5Block(state, &padded[offset]);
        result.states.push_back(state);
    }
    for (int i = 0; i < 16; ++i) {
        result.digest[i] = static_cast<std::uint8_t>(state[i / 4] >> (8 * (i % 4)));
    }
    return result;
}

std::string PlainTraceLine(const Md5State& state) {
    char line[64];
    const int length = std::snprintf(line, sizeof line, "state:%x %x %x %x\r\n", state[0], state[1],
                                     state[2], state[3]);
    return std::string(line, static_cast<std::size_t>(length));
}

std::vector<std::string> PlainTraceLines(const std::vector<std::uint8_t>& message) {
    std::vector<std::string> lines;
    for (const Md5State& state : PlainMd5(message).states) {
        lines.push_back(PlainTraceLine(state));
    }
    return lines;
}

}  // namespace kelvarin::test
