// Parameters of the bit stream of stored files. The compressor and the
// decompressors share them; changing any of them changes every stored file
// in the field. The length field in front of the stream is stored_file.h's.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvarin {

// Sliding window: positions 0 to 16383, all position arithmetic modulo its size.
constexpr int kWindowSize = 16384;
constexpr int kWindowMask = kWindowSize - 1;
// A match token carries a 14-bit window position and a 4-bit length code.
constexpr int kPositionBits = 14;
constexpr int kLengthBits = 4;
// Matches of kBreakEven bytes or fewer are cheaper as literals.
constexpr int kBreakEven = 2;
constexpr int kMinMatch = kBreakEven + 1;
// Longest match (length code 15) and the encoder's look-ahead.
constexpr int kLookAhead = (1 << kLengthBits) + kBreakEven;
// Node record kAnchor is the anchor of the match tree; its larger child is the root.
constexpr int kAnchor = kWindowSize;
// Position 0 means "no node", so every stream starts filling the window at 1.
constexpr int kFirstPosition = 1;
// Bits of the three token kinds.
constexpr int kLiteralBits = 1 + 8;
constexpr int kMatchBits = 1 + kPositionBits + kLengthBits;
constexpr int kEndMarkerBits = 1 + kPositionBits;

// The fields fix everything else: a position field addresses the whole
// window, the length code covers kMinMatch to kLookAhead.
static_assert(kWindowSize == 1 << kPositionBits);
static_assert(kLookAhead == kMinMatch + (1 << kLengthBits) - 1 && kLookAhead == 18);
static_assert(kLiteralBits == 9 && kMatchBits == 19 && kEndMarkerBits == 15);

}  // namespace kelvarin
