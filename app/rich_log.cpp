// The log's line store and its view.
#include "app/rich_log.h"

#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QString>
#include <QTimer>
#include <algorithm>

#include "app/dialog_line_edit.h"

namespace kelvarin::app {

namespace {

// Space between the frame and the text, as a rich edit leaves it.
constexpr int kMargin = 3;

// Red from the low byte, green from the next, blue from the third.
QColor ColorFromColorref(Colorref color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace

RichLog::RichLog(QWidget* parent) : QAbstractScrollArea(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    UpdateScrollRanges();
}

void RichLog::AppendLine(std::string_view text, Colorref color, bool scroll) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        m_lines.push_back({m_text.size(), static_cast<std::uint32_t>(line.size()), color});
        m_text.append(line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    m_pendingScroll = m_pendingScroll || scroll;
    if (!m_flushQueued) {
        m_flushQueued = true;
        // A zero timer fires once the event loop has handled what is waiting:
        // the view is brought up to date once for many lines.
        QTimer::singleShot(0, this, &RichLog::Flush);
    }
}

void RichLog::Flush() {
    m_flushQueued = false;
    UpdateScrollRanges();
    if (m_pendingScroll) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    m_pendingScroll = false;
    viewport()->update();
}

std::string RichLog::Line(std::size_t index) const {
    return m_text.substr(m_lines[index].offset, m_lines[index].length);
}

std::size_t RichLog::FirstShownLine() const {
    return static_cast<std::size_t>(verticalScrollBar()->value());
}

std::size_t RichLog::MemoryUsed() const {
    return m_text.capacity() + m_lines.capacity() * sizeof(LineRecord);
}

int RichLog::LineHeight() const {
    return std::max(1, fontMetrics().lineSpacing());
}

int RichLog::LinesInView() const {
    return std::max(1, (viewport()->height() - kMargin) / LineHeight());
}

std::size_t RichLog::LineAt(int y) const {
    if (m_lines.empty()) {
        return kNoLine;
    }
    const int row = std::max(0, y - kMargin) / LineHeight();
    return std::min(FirstShownLine() + static_cast<std::size_t>(row), m_lines.size() - 1);
}

void RichLog::UpdateScrollRanges() {
    const int inView = LinesInView();
    // The bar counts in int; a log never gets near that many lines.
    const int lines = static_cast<int>(std::min<std::size_t>(m_lines.size(), INT32_MAX));
    verticalScrollBar()->setRange(0, std::max(0, lines - inView));
    verticalScrollBar()->setPageStep(inView);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, std::max(0, m_widest + 2 * kMargin - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(fontMetrics().averageCharWidth() * 4);
}

void RichLog::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    const QFontMetrics metrics = fontMetrics();
    const int height = LineHeight();
    const int x = kMargin - horizontalScrollBar()->value();
    const std::size_t first = FirstShownLine();
    const std::size_t last =
        std::min(m_lines.size(), first + static_cast<std::size_t>(LinesInView()) + 1);
    const std::size_t selectedFirst = std::min(m_anchor, m_current);
    const std::size_t selectedLast = m_anchor == kNoLine ? kNoLine : std::max(m_anchor, m_current);
    int widest = m_widest;
    for (std::size_t index = first; index < last; ++index) {
        const LineRecord& line = m_lines[index];
        const QString text = QString::fromUtf8(m_text.data() + line.offset, line.length);
        const int y = kMargin + static_cast<int>(index - first) * height;
        const int width = metrics.horizontalAdvance(text);
        widest = std::max(widest, width);
        if (index >= selectedFirst && index <= selectedLast) {
            painter.fillRect(QRect(x, y, width, height), palette().color(QPalette::Highlight));
            painter.setPen(palette().color(QPalette::HighlightedText));
        } else {
            painter.setPen(ColorFromColorref(line.color));
        }
        painter.drawText(x, y + metrics.ascent(), text);
    }
    if (hasFocus()) {
        // Where the focus is must show, also on a view without a cursor.
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(viewport()->rect().adjusted(0, 0, -1, -1));
    }
    if (widest != m_widest) {
        m_widest = widest;
        UpdateScrollRanges();
    }
}

void RichLog::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const bool atEnd = verticalScrollBar()->value() == verticalScrollBar()->maximum();
    UpdateScrollRanges();
    if (atEnd) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
}

void RichLog::keyPressEvent(QKeyEvent* event) {
    QScrollBar& vertical = *verticalScrollBar();
    QScrollBar& horizontal = *horizontalScrollBar();
    if (event == QKeySequence::MoveToStartOfDocument) {
        vertical.setValue(0);
        horizontal.setValue(0);
    } else if (event == QKeySequence::MoveToEndOfDocument) {
        vertical.setValue(vertical.maximum());
        horizontal.setValue(0);
    } else if (event == QKeySequence::Copy) {
        CopySelection();
    } else if (event == QKeySequence::SelectAll) {
        SelectAllLines();
    } else if (event->key() == Qt::Key_Home && event->modifiers() == Qt::NoModifier) {
        horizontal.setValue(0);
    } else if (event->key() == Qt::Key_End && event->modifiers() == Qt::NoModifier) {
        horizontal.setValue(horizontal.maximum());
    } else {
        // Arrows and page keys move the view through its scroll bars.
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void RichLog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const std::size_t line = LineAt(event->position().toPoint().y());
    if (!(event->modifiers() & Qt::ShiftModifier) || m_anchor == kNoLine) {
        m_anchor = line;
    }
    m_current = line;
    viewport()->update();
}

void RichLog::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && m_anchor != kNoLine) {
        m_current = LineAt(event->position().toPoint().y());
        viewport()->update();
    }
}

void RichLog::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    QAction* copy = menu->addAction(tr("&Copy"), this, &RichLog::CopySelection);
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(m_anchor != kNoLine);
    QAction* all = menu->addAction(tr("Select All"), this, &RichLog::SelectAllLines);
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(!m_lines.empty());
    PopUpWithWindowItems(menu, m_menuActions, event->globalPos());
}

void RichLog::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void RichLog::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void RichLog::CopySelection() const {
    if (m_anchor == kNoLine) {
        return;
    }
    std::string text;
    for (std::size_t index = std::min(m_anchor, m_current); index <= std::max(m_anchor, m_current);
         ++index) {
        text += Line(index) + "\n";
    }
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

void RichLog::SelectAllLines() {
    if (m_lines.empty()) {
        return;
    }
    m_anchor = 0;
    m_current = m_lines.size() - 1;
    viewport()->update();
}

}  // namespace kelvarin::app
