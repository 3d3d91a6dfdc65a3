// The codec's work area: the sliding window and the match tree. It belongs
// to its caller, who keeps it for as many runs as it likes (one per thread,
// never shared by two runs at once). A run clears the tree but not the
// window: the compressor's choices for the last 17 bytes of an input depend
// on window bytes left by earlier runs, so a new work area starts zero-filled
// and a given sequence of files always gives the same bytes.
#pragma once

#include <array>
#include <cstdint>

#include "codec/codec_constants.h"

namespace kelvarin {

// Window positions 0 to kMirrorBytes - 1 are repeated past the end of the
// window, so that the 18 key bytes of any position can be read without
// wrapping.
constexpr int kMirrorBytes = kLookAhead - 1;

constexpr int kSmaller = 0;
constexpr int kLarger = 1;

// One node of the match tree, for the window position of the same number.
// Only the links that a tree walk follows are here, with the first 8 key
// bytes (big-endian, so that integer order is key order); the parent links
// live apart because only removals use them.
struct MatchNode {
    std::uint64_t keyHead = 0;
    std::int32_t child[2] = {0, 0};  // kSmaller, kLarger; 0 means none
};

struct LzssWindow {
    alignas(64) std::array<std::uint8_t, kWindowSize + kMirrorBytes> window{};
    // Record p belongs to window position p; record kAnchor is the anchor.
    alignas(64) std::array<MatchNode, kWindowSize + 1> tree{};
    // 0 when the position is not in the tree; kAnchor for the root.
    std::array<std::int32_t, kWindowSize + 1> parent{};
};

// Stores one byte at window position p, keeping the mirror in step.
// REQUIRES: 0 <= p < kWindowSize.
inline void StoreWindowByte(LzssWindow& work, int p, std::uint8_t byte) {
    work.window[static_cast<unsigned>(p)] = byte;
    if (p < kMirrorBytes) {
        work.window[static_cast<unsigned>(p + kWindowSize)] = byte;
    }
}

}  // namespace kelvarin
