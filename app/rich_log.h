// The coloured log: lines are appended at the end of a read-only rich text
// view, each in one colour given as a COLORREF (0x00BBGGRR, the form the
// log's colours have always been written in), with nothing else of the
// character format changed. Appending does not move the view; scrolling to
// the end is a separate request, so that a caller can append without
// asking to scroll. Lines can be appended in a batch, which lays the view
// out once: an import of many small files sends lines faster than a view
// can lay them out one by one.
#pragma once

#include <QColor>
#include <cstdint>
#include <string>
#include <vector>

class QTextEdit;

namespace kelvarin::app {

using Colorref = std::uint32_t;

constexpr Colorref kUpdatedColor = 0x000000FF;  // red
constexpr Colorref kAddedColor = 0x0000FF00;    // green

// Red from the low byte, green from the next, blue from the third.
QColor ColorFromColorref(Colorref color);

struct ColoredLine {
    std::string text;  // UTF-8, ending in "\r\n" or "\n"
    Colorref color = kUpdatedColor;
};

// Appends each line, in order, at the end of `log` in its colour; its line
// end ends the line in the view. The view's own cursor and scroll position
// stay where they were. The view is laid out once for all the lines.
void AppendLogLines(QTextEdit& log, const std::vector<ColoredLine>& lines);

// Scrolls `log` to its end.
void ScrollLogToEnd(QTextEdit& log);

}  // namespace kelvarin::app
