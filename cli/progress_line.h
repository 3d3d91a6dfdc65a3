// The progress line of a long command: one line on standard error, redrawn in
// place, and only when standard error is a terminal (a pipeline's log gets
// the summary, not hundreds of redraws). Lines printed while it is shown
// erase it first.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace kelvarin::cli {

class ProgressLine {
public:
    ProgressLine();

    // Standard error is a terminal: the line is drawn at all.
    bool Enabled() const { return m_enabled; }

    // Redraws the line with the text `text()` gives, at most once per
    // redraw interval unless `force`; `text` is not called otherwise.
    void Show(const std::function<std::string()>& text, bool force = false);
    // Removes the line, if shown, so that other output starts at a clean line.
    void Erase();

private:
    const bool m_enabled;
    std::chrono::steady_clock::time_point m_lastDrawn{};
    bool m_shown = false;
};

}  // namespace kelvarin::cli
