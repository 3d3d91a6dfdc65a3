// The log's colours, as COLORREF values (0x00BBGGRR, the form the log's
// colours have always been written in).
#pragma once

#include <cstdint>

#include "import/import_tally.h"

namespace kelvarin {

using Colorref = std::uint32_t;

constexpr Colorref kUpdatedColor = 0x000000FF;  // red: rewritten, and every problem
constexpr Colorref kAddedColor = 0x0000FF00;    // green
constexpr Colorref kSummaryColor = 0x00A00000;  // dark blue, for a run's closing line

constexpr Colorref ColorOf(LineKind kind) {
    return kind == LineKind::kAdded     ? kAddedColor
           : kind == LineKind::kSummary ? kSummaryColor
                                        : kUpdatedColor;
}

// Rewritten files do not pull the view along (they are the many lines of a
// re-import); every other line does, so a problem is never out of sight.
constexpr bool ScrollsTo(LineKind kind) {
    return kind != LineKind::kUpdated;
}

}  // namespace kelvarin
