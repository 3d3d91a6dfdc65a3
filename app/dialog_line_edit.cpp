// The one-line boxes' context menu and focus frame.
#include "app/dialog_line_edit.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

namespace kelvarin::app {

void DialogLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (!m_menuActions.isEmpty()) {
        menu->addSeparator();
        menu->addActions(m_menuActions);
    }
    menu->popup(event->globalPos());
}

void DialogLineEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (m_focusFrame && hasFocus()) {
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

}  // namespace kelvarin::app
