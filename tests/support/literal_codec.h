// The stored-file codec written exactly as its algorithm reads, one bit and
// one byte at a time, with no shortcut. It is slow on purpose: it is the
// oracle that the fast codec must match byte for byte, window state included.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "codec/lzss_window.h"

namespace kelvarin::test {

struct LiteralWindow {
    std::uint8_t window[16384] = {};
    // Node records: parent, smaller child, larger child; record 16384 is the anchor.
    std::int32_t tree[16385][3] = {};
};

// The stored file (length field and stream) of `content`.
std::vector<std::uint8_t> LiteralCompress(const std::vector<std::uint8_t>& content,
                                          LiteralWindow& work);

struct LiteralDecoded {
    std::vector<std::uint8_t> content;
    bool endMarker = false;    // false: the stream ended first
    bool foreignRead = false;  // a match read a position this stream had not written
};

// Decodes a whole stored file (its length field is skipped, never read). A
// token whose bits run past the end of the stream is dropped.
LiteralDecoded LiteralDecompress(const std::vector<std::uint8_t>& stored, LiteralWindow& work);

// Gives a fast and a literal work area the same window: `pattern` tiled over
// it (zeros when empty), each tile offset so that every position holds a
// telling byte unless `plain`.
void FillWindows(LzssWindow& fast, LiteralWindow& literal, std::span<const std::uint8_t> pattern,
                 bool plain = false);

// Both windows hold the same bytes, and the fast one's mirror repeats its
// first bytes.
bool WindowsAgree(const LzssWindow& fast, const LiteralWindow& literal);

}  // namespace kelvarin::test
