// Worker messages queued for the GUI thread.
#include "app/posted_message_window.h"

#include <QCoreApplication>
#include <algorithm>

namespace kelvarin::app {

QEvent::Type MessagesWaitingEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostedMessageWindow::PostMessage(unsigned message, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
    const std::lock_guard lock(m_mutex);
    m_queue.push_back({message, wParam, lParam});
    if (!m_woken) {
        m_woken = true;
        QCoreApplication::postEvent(&m_receiver, new MessagesWaitingEvent);
    }
}

bool PostedMessageWindow::Take(std::size_t most, std::vector<PostedMessage>& taken) {
    taken.clear();
    const std::lock_guard lock(m_mutex);
    const std::size_t count = std::min(most, m_queue.size());
    taken.assign(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(count));
    m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(count));
    m_woken = !m_queue.empty();
    return m_woken;
}

}  // namespace kelvarin::app
