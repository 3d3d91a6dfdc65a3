// What the fuzz targets share: a check that stops the run where a fast and a
// literal result disagree (libFuzzer then keeps the input), and the
// comparison of the fast work area's window with the literal one's.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codec/lzss_window.h"
#include "tests/support/literal_codec.h"

namespace kelvarin::fuzz {

// Aborts with `what` unless `condition` holds; active in every build type.
inline void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

// True when both windows hold the same 16384 bytes and the fast window's
// mirror repeats its first bytes.
inline bool WindowsAgree(const LzssWindow& fast, const test::LiteralWindow& literal) {
    return std::memcmp(fast.window.data(), literal.window, kWindowSize) == 0 &&
           std::memcmp(fast.window.data() + kWindowSize, literal.window, kMirrorBytes) == 0;
}

}  // namespace kelvarin::fuzz
