// The dialog's one-line boxes (the root path and the status line): a line
// edit whose context menu ends with the window menu's items, so that they
// are found wherever the user right-clicks, and which can show where the
// focus is when it has no cursor to show it (the read-only status line).
#pragma once

#include <QLineEdit>
#include <QList>

class QAction;
class QMenu;
class QPoint;

namespace kelvarin::app {

// Pops `menu` up at `at`, ended by the window menu's items, and lets it
// free itself when it closes.
void PopUpWithWindowItems(QMenu* menu, const QList<QAction*>& windowItems, const QPoint& at);

class DialogLineEdit final : public QLineEdit {
public:
    explicit DialogLineEdit(QWidget* parent) : QLineEdit(parent) {}

    // Actions that end the context menu, after the box's own.
    void SetMenuActions(QList<QAction*> actions) { m_menuActions = std::move(actions); }
    // Draws a focus frame while the box has the focus.
    void SetFocusFrame(bool shown) { m_focusFrame = shown; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QAction*> m_menuActions;
    bool m_focusFrame = false;
};

}  // namespace kelvarin::app
