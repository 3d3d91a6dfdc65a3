// Worker messages as posted Qt events.
#include "app/posted_message_window.h"

#include <QCoreApplication>

namespace kelvarin::app {

WorkerMessageEvent::WorkerMessageEvent(unsigned message, std::uintptr_t wParam,
                                       std::intptr_t lParam)
    : QEvent(EventType()), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

QEvent::Type WorkerMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostedMessageWindow::PostMessage(unsigned message, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
    QCoreApplication::postEvent(&m_receiver, new WorkerMessageEvent(message, wParam, lParam));
}

}  // namespace kelvarin::app
