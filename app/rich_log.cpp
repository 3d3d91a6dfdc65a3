// Appending coloured lines to the log view.
#include "app/rich_log.h"

#include <QScrollBar>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <string_view>

namespace kelvarin::app {

QColor ColorFromColorref(Colorref color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

namespace {

void InsertAtEnd(QTextCursor& cursor, std::string_view line, Colorref color) {
    QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    // A text document takes both CR and LF as a paragraph end; the pair
    // ends one line.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format = cursor.charFormat();
    format.setForeground(ColorFromColorref(color));
    cursor.insertText(text, format);
}

}  // namespace

void AppendLogLines(QTextEdit& log, const std::vector<ColoredLine>& lines) {
    if (lines.empty()) {
        return;
    }
    // A cursor of our own, so the view's selection and scroll position are
    // left alone.
    QTextCursor cursor(log.document());
    // One edit block: the document is laid out once, at its end.
    cursor.beginEditBlock();
    for (const ColoredLine& line : lines) {
        InsertAtEnd(cursor, line.text, line.color);
    }
    cursor.endEditBlock();
}

void ScrollLogToEnd(QTextEdit& log) {
    QScrollBar* bar = log.verticalScrollBar();
    bar->setValue(bar->maximum());
}

}  // namespace kelvarin::app
