// The dialog's window handle as the import workers see it: PostMessage turns
// each worker message into a QEvent posted to the receiving object, which
// takes it on the GUI thread, in the order posted, and dispatches it through
// its message map. Posting never blocks on the GUI thread.
#pragma once

#include <QEvent>
#include <QObject>
#include <cstdint>

#include "platform/message_window.h"

namespace kelvarin::app {

class WorkerMessageEvent final : public QEvent {
public:
    WorkerMessageEvent(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

    // The event type of every worker message, registered once.
    static QEvent::Type EventType();

    unsigned Message() const { return m_message; }
    std::uintptr_t WParam() const { return m_wParam; }
    std::intptr_t LParam() const { return m_lParam; }

private:
    unsigned m_message;
    std::uintptr_t m_wParam;
    std::intptr_t m_lParam;
};

class PostedMessageWindow final : public MessageWindow {
public:
    // REQUIRES: `receiver` outlives every thread that posts through this
    // window, and this window outlives them too.
    explicit PostedMessageWindow(QObject& receiver) : m_receiver(receiver) {}

    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

private:
    QObject& m_receiver;
};

}  // namespace kelvarin::app
