// How a message box appears: a modal box with an OK button, or, in tests, a
// record and an answer. The QtMessageBoxService decides on which thread and
// with which owner it is shown; the presenter only shows it.
#pragma once

#include <QString>

class QWidget;

namespace kelvarin::app {

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;

    // Shows the box and returns once the user has closed it. `owner` may be
    // null (a box of its own, not tied to a window).
    // REQUIRES: called on the GUI thread.
    virtual void Present(QWidget* owner, const QString& caption, const QString& text) = 0;
};

// The program's presenter: a QMessageBox with an OK button.
class QtMessagePresenter final : public MessagePresenter {
public:
    void Present(QWidget* owner, const QString& caption, const QString& text) override;
};

}  // namespace kelvarin::app
