// Drawing and erasing the progress line.
#include "cli/progress_line.h"

#include <cstdio>
#include <string>

#include "platform/console_text.h"

namespace kelvarin::cli {

namespace {

constexpr char kEraseLine[] = "\r\x1b[K";
// Redrawn at most this often: a tree of small files goes by at thousands of
// files a second, and drawing each would cost more than the work.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

ProgressLine::ProgressLine() : m_enabled(IsTerminal(stderr)) {}

void ProgressLine::Show(const std::function<std::string()>& text, bool force) {
    if (!m_enabled) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (m_shown && !force && now - m_lastDrawn < kRedrawInterval) {
        return;
    }
    m_lastDrawn = now;
    WriteText(stderr, kEraseLine + text());
    std::fflush(stderr);
    m_shown = true;
}

void ProgressLine::Erase() {
    if (m_shown) {
        WriteText(stderr, kEraseLine);
        std::fflush(stderr);
        m_shown = false;
    }
}

}  // namespace kelvarin::cli
