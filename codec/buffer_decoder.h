// The whole-buffer decoder of the bit stream. The length field is never
// read: the end marker alone ends the content. A stream that is used up
// before its end marker (a truncated or damaged stored file) yields the
// bytes of its complete tokens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codec/lzss_window.h"
#include "codec/token_decoder.h"

namespace kelvarin {

// Decodes `stream` (a stored file's bit stream) into `content`, which is
// emptied first (its storage kept). Uses and updates only the window of
// `work`; afterwards the window holds every byte this stream wrote at its
// position, exactly as a byte-at-a-time decoder leaves it. `sizeHint` (the
// length field, which is not trusted) only sizes the first allocation.
DecodeStatus DecompressBuffer(std::span<const std::uint8_t> stream, LzssWindow& work,
                              std::vector<std::uint8_t>& content, std::size_t sizeHint = 0);

// Leaves in the window of `work` what a byte-at-a-time decoder leaves there
// after a stream of `produced` content bytes whose last bytes are `tail`.
// REQUIRES: tail.size() == min(produced, kWindowSize).
void LeaveInWindow(LzssWindow& work, std::span<const std::uint8_t> tail, std::uint64_t produced);

}  // namespace kelvarin
