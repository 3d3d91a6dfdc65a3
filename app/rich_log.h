// The coloured log: a read-only view whose lines are appended at the end,
// each in one colour given as a COLORREF (0x00BBGGRR, the form the log's
// colours have always been written in). Appending does not move the view; a
// line may ask for the view to end at the last line.
//
// A log of a large import holds hundreds of thousands of lines, so it is not
// a text document: the lines are kept as UTF-8 one after another in one
// buffer with a small record each (about 16 bytes besides the text), and only
// the lines in view are laid out, when they are painted. Appending costs the
// same at any length. The view scrolls by whole lines, so its top line is
// never cut; it scrolls both ways by itself and shows no scroll bars. Lines
// are selected whole, with the mouse or Ctrl+A, and copied with Ctrl+C or
// the context menu.
#pragma once

#include <QAbstractScrollArea>
#include <QList>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dialog/log_colors.h"

class QAction;

namespace kelvarin::app {

class RichLog final : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit RichLog(QWidget* parent);

    // Appends `text` (UTF-8; each "\n" or "\r\n" in it ends a line, a last
    // one is optional) in `color`; `scroll` asks for the view to end at the
    // last line. The view catches up once the event loop is idle.
    void AppendLine(std::string_view text, Colorref color, bool scroll);
    // Brings the view up to date now.
    void Flush();

    std::size_t LineCount() const { return m_lines.size(); }
    // REQUIRES: index < LineCount().
    std::string Line(std::size_t index) const;
    Colorref LineColor(std::size_t index) const { return m_lines[index].color; }
    // The line at the top of the view.
    std::size_t FirstShownLine() const;
    // Bytes held for the lines.
    std::size_t MemoryUsed() const;

    // Actions that end the context menu, after Copy and Select All.
    void SetMenuActions(QList<QAction*> actions) { m_menuActions = std::move(actions); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct LineRecord {
        std::uint64_t offset;  // in m_text
        std::uint32_t length;
        Colorref color;
    };
    static constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);

    int LineHeight() const;
    int LinesInView() const;
    std::size_t LineAt(int y) const;
    void UpdateScrollRanges();
    void CopySelection() const;
    void SelectAllLines();

    std::string m_text;
    std::vector<LineRecord> m_lines;
    // The selected lines run from the anchor to the current line, both included.
    std::size_t m_anchor = kNoLine;
    std::size_t m_current = kNoLine;
    int m_widest = 0;  // of the lines painted so far
    bool m_pendingScroll = false;
    bool m_flushQueued = false;
    QList<QAction*> m_menuActions;
};

}  // namespace kelvarin::app
