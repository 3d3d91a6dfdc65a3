// The codec's work area: the sliding window and the match tree. It belongs
// to its caller, who keeps it for as many runs as it likes (one per thread,
// never shared by two runs at once). A run clears the tree but not the
// window: the compressor's choices for the last 17 bytes of an input depend
// on window bytes left by earlier runs, so a new work area starts zero-filled
// and a given sequence of files always gives the same bytes.
//
// The layout serves the tree walk, which is where compression spends its
// time: a node holds only its two child links, as 16-bit numbers, so that
// the whole tree (64 KiB) and the window (16 KiB) stay close to the core,
// and a node's key is read straight from the window, whose first bytes are
// repeated past its end.
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

// A node number: a window position (0 to 16383) or kAnchor; 0 means none.
using NodeIndex = std::uint16_t;
static_assert(kAnchor <= UINT16_MAX, "node numbers must fit their links");

// The links of the tree node for the window position of the same number.
// The parent links live apart, because only removals use them.
struct MatchNode {
    NodeIndex child[2] = {0, 0};  // kSmaller, kLarger; 0 means none
};

struct LzssWindow {
    alignas(64) std::array<std::uint8_t, kWindowSize + kMirrorBytes> window{};
    // Record p belongs to window position p; record kAnchor is the anchor.
    alignas(64) std::array<MatchNode, kWindowSize + 1> tree{};
    // 0 when the position is not in the tree; kAnchor for the root.
    alignas(64) std::array<NodeIndex, kWindowSize + 1> parent{};
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
