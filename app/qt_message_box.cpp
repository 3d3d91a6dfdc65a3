// Message boxes on the GUI thread, for whichever thread asks.
#include "app/qt_message_box.h"

#include <QMessageBox>
#include <QString>
#include <QThread>

#include "app/resource.h"

namespace kelvarin::app {

namespace {
QString FromBytes(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

void QtMessagePresenter::Present(QWidget* owner, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QtMessageBoxService::QtMessageBoxService(MessagePresenter& presenter) : m_presenter(presenter) {
    SetMessageBoxService(this);
}

QtMessageBoxService::~QtMessageBoxService() {
    SetMessageBoxService(nullptr);
}

void QtMessageBoxService::ShowOk(std::string_view text, std::string_view caption) {
    const QString boxText = FromBytes(text);
    const QString boxCaption = FromBytes(caption);
    if (QThread::currentThread() == thread()) {
        PresentOnGuiThread(nullptr, boxCaption, boxText);
        return;
    }
    // The calling thread waits here until the box is closed, as the core
    // expects of this call.
    QMetaObject::invokeMethod(
        this, [&] { PresentOnGuiThread(nullptr, boxCaption, boxText); },
        Qt::BlockingQueuedConnection);
}

void QtMessageBoxService::ShowApp(std::string_view text) {
    PresentOnGuiThread(m_mainWindow.data(), QString::fromLatin1(kAppName), FromBytes(text));
}

void QtMessageBoxService::PresentOnGuiThread(QWidget* owner, const QString& caption,
                                             const QString& text) {
    m_presenter.Present(owner, caption, text);
}

}  // namespace kelvarin::app
