// Dialog units: the layout of every window is given in units of the dialog
// font, so that it keeps its proportions at any font size. A horizontal unit
// is a quarter of the font's average letter width, a vertical unit an eighth
// of its height. Pixels are rounded as a dialog template's rectangles are:
// each edge is converted on its own, to the nearest pixel, so two controls
// that touch in units still touch in pixels.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace kelvarin::app {

struct DialogBaseUnits {
    int x = 0;  // average width of the 52 ASCII letters, in pixels
    int y = 0;  // font height (ascent + descent), in pixels
    bool operator==(const DialogBaseUnits&) const = default;
};

DialogBaseUnits DialogBaseUnitsOf(const QFont& font);

// A rectangle (x, y, width, height in units) in pixels, edge by edge.
// REQUIRES: every coordinate of `units` is >= 0.
QRect MapDialogRect(const QRect& units, DialogBaseUnits base);

// The size of a window whose client area is `units` wide and high.
QSize MapDialogSize(const QSize& units, DialogBaseUnits base);

}  // namespace kelvarin::app
