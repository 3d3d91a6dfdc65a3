// The log's insertions into the rich edit control.
#include "win/rich_log.h"

// After windows.h, which it needs.
#include <richedit.h>

#include <climits>

#include "fileio/windows/win32_text.h"

namespace kelvarin::win {

void RichLog::Attach(HWND control) {
    m_control = control;
    // A rich edit takes 32767 characters unless told otherwise; a large
    // import's log is far longer.
    SendMessageW(m_control, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(INT_MAX));
    SendMessageW(m_control, EM_SETUNDOLIMIT, 0, 0);
}

void RichLog::AppendLine(std::string_view text, Colorref color, bool scroll) {
    if (m_pending.empty() || m_pending.back().color != color) {
        m_pending.push_back({color, {}});
    }
    std::wstring& pending = m_pending.back().text;
    const std::size_t before = pending.size();
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        pending += WideOf(line);
        pending += L"\r\n";
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    m_pendingScroll = m_pendingScroll || scroll;
    m_pendingChars += pending.size() - before;
    if (m_pendingChars >= kFlushChars) {
        Flush();
    }
}

void RichLog::Flush() {
    if (m_pending.empty() || m_control == nullptr) {
        return;
    }
    POINT kept{};
    SendMessageW(m_control, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&kept));
    SendMessageW(m_control, WM_SETREDRAW, FALSE, 0);
    for (const Run& run : m_pending) {
        Insert(run);
    }
    m_pending.clear();
    m_pendingChars = 0;
    if (m_pendingScroll) {
        SendMessageW(m_control, WM_VSCROLL, SB_BOTTOM, 0);
    } else {
        // Inserting moved the view to the caret; it goes back.
        SendMessageW(m_control, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&kept));
    }
    m_pendingScroll = false;
    SendMessageW(m_control, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_control, nullptr, TRUE);
}

void RichLog::Insert(const Run& run) {
    // An empty selection past the end is the insertion point at the end.
    CHARRANGE end{LONG_MAX, LONG_MAX};
    SendMessageW(m_control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    CHARFORMATW format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR;
    format.dwEffects = 0;  // the colour given, not the automatic one
    format.crTextColor = run.color;
    SendMessageW(m_control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    // Replaces the empty selection; not undoable.
    SETTEXTEX how{ST_SELECTION, 1200};
    SendMessageW(m_control, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
                 reinterpret_cast<LPARAM>(run.text.c_str()));
}

}  // namespace kelvarin::win
