// The dialog's message boxes for the core. A box may be asked for from an
// import worker or a file-list thread ("error write file"): that thread waits
// until the box has been shown on the GUI thread and closed, through a
// blocking queued call to this object, which lives on the GUI thread. The
// application's own boxes are shown directly, owned by the main window.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "app/message_presenter.h"
#include "platform/message_box.h"

namespace kelvarin::app {

class QtMessageBoxService final : public QObject, public MessageBoxService {
    Q_OBJECT

public:
    // Installs itself as the process's message box service; the destructor
    // restores the console one.
    // REQUIRES: constructed on the GUI thread; `presenter` outlives it; it is
    // destroyed only when no other thread can ask for a box any more.
    explicit QtMessageBoxService(MessagePresenter& presenter);
    ~QtMessageBoxService() override;

    // The window that owns the application's boxes (ShowApp).
    void SetMainWindow(QWidget* window) { m_mainWindow = window; }

    void ShowOk(std::string_view text, std::string_view caption) override;
    void ShowApp(std::string_view text) override;

private:
    void PresentOnGuiThread(QWidget* owner, const QString& caption, const QString& text);

    MessagePresenter& m_presenter;
    QPointer<QWidget> m_mainWindow;
};

}  // namespace kelvarin::app
