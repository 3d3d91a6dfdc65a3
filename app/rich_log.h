// The coloured log: a read-only rich text view whose lines are appended at
// the end, each in one colour given as a COLORREF (0x00BBGGRR, the form the
// log's colours have always been written in), with nothing else of the
// character format changed. Appending does not move the view; a line may ask
// for the view to end at the last line. Lines wait until the event loop has
// handled the messages already waiting, then go in together and the view is
// laid out once: an import of many small files sends lines faster than a
// view can lay them out one by one.
#pragma once

#include <QTextEdit>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvarin::app {

using Colorref = std::uint32_t;

constexpr Colorref kUpdatedColor = 0x000000FF;  // red
constexpr Colorref kAddedColor = 0x0000FF00;    // green

class RichLog final : public QTextEdit {
public:
    explicit RichLog(QWidget* parent);

    // Queues `line` (UTF-8, ending in "\r\n" or "\n") in `color`; `scroll`
    // asks for the view to end at the last line once it is shown.
    void AppendLine(std::string line, Colorref color, bool scroll);
    // Shows the queued lines now.
    void Flush();

private:
    struct ColoredLine {
        std::string text;
        Colorref color;
    };
    std::vector<ColoredLine> m_pending;
    bool m_pendingScroll = false;
    bool m_flushQueued = false;
};

}  // namespace kelvarin::app
