// The coloured log over the dialog's rich edit control (IDC_LOG): lines are
// appended at the end, each in one colour given as a COLORREF, as UTF-16 so
// that any name shows whatever the code page. Appends are gathered and put
// into the control once per handled window message, one insertion per run
// of lines of the same colour: a large import's thousands of lines cost a
// few insertions per batch, not one each. An insertion costs the rich edit
// time in proportion to its text (about 2 us a character under Wine), so
// gathered text goes in whenever it reaches kFlushChars: that cost then
// falls inside the dialog's time slice for the workers' messages instead
// of after it, and the window never stalls on one huge insertion.
// Appending does not move the view unless a line asks for the view to end
// at the last line.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "dialog/log_colors.h"

namespace kelvarin::win {

class RichLog {
public:
    // Takes the control over: no text limit, no undo.
    void Attach(HWND control);

    // Appends `text` (UTF-8; each "\n" or "\r\n" in it ends a line, a last
    // one is optional) in `color`; `scroll` asks for the view to end at the
    // last line. The control shows it at the next Flush, or now once
    // kFlushChars are gathered.
    void AppendLine(std::string_view text, Colorref color, bool scroll);
    // Puts the gathered lines into the control.
    void Flush();

private:
    static constexpr std::size_t kFlushChars = 4096;

    struct Run {
        Colorref color;
        std::wstring text;
    };
    void Insert(const Run& run);

    HWND m_control = nullptr;
    std::vector<Run> m_pending;
    std::size_t m_pendingChars = 0;
    bool m_pendingScroll = false;
};

}  // namespace kelvarin::win
