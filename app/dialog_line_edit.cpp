// The one-line boxes' context menu and focus frame.
#include "app/dialog_line_edit.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

namespace kelvarin::app {

void PopUpWithWindowItems(QMenu* menu, const QList<QAction*>& windowItems, const QPoint& at) {
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (!windowItems.isEmpty()) {
        menu->addSeparator();
        menu->addActions(windowItems);
    }
    menu->popup(at);
}

void DialogLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    PopUpWithWindowItems(createStandardContextMenu(), m_menuActions, event->globalPos());
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
