// The log view and its batching of lines.
#include "app/rich_log.h"

#include <QColor>
#include <QScrollBar>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>
#include <utility>

namespace kelvarin::app {

namespace {

// Red from the low byte, green from the next, blue from the third.
QColor ColorFromColorref(Colorref color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace

RichLog::RichLog(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    // Lines go on to the right instead of wrapping; the view scrolls both
    // ways by itself and shows no scroll bars.
    setLineWrapMode(QTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    // Appended lines cannot be undone, and a long import would otherwise
    // keep every line twice.
    setUndoRedoEnabled(false);
}

void RichLog::AppendLine(std::string line, Colorref color, bool scroll) {
    m_pending.push_back({std::move(line), color});
    m_pendingScroll = m_pendingScroll || scroll;
    if (!m_flushQueued) {
        m_flushQueued = true;
        // A zero timer fires once the event loop has handled the messages
        // already waiting.
        QTimer::singleShot(0, this, &RichLog::Flush);
    }
}

void RichLog::Flush() {
    m_flushQueued = false;
    if (m_pending.empty()) {
        return;
    }
    // A cursor of our own, so the view's selection and scroll position are
    // left alone; one edit block, so the document is laid out once.
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (const ColoredLine& line : m_pending) {
        QString text = QString::fromStdString(line.text);
        // A text document takes both CR and LF as a paragraph end; the pair
        // ends one line.
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        cursor.movePosition(QTextCursor::End);
        QTextCharFormat format = cursor.charFormat();
        format.setForeground(ColorFromColorref(line.color));
        cursor.insertText(text, format);
    }
    cursor.endEditBlock();
    m_pending.clear();
    if (m_pendingScroll) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    m_pendingScroll = false;
}

}  // namespace kelvarin::app
