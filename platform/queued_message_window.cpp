#include "platform/queued_message_window.h"

namespace kelvarin {

void QueuedMessageWindow::PostMessage(unsigned message, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
    // Notify under the lock: a receiver that takes the last message may
    // destroy the queue as soon as the lock is free.
    std::lock_guard lock(m_mutex);
    m_queue.push_back({message, wParam, lParam});
    m_posted.notify_one();
}

void QueuedMessageWindow::TakeAllFor(std::chrono::milliseconds wait,
                                     std::deque<PostedMessage>& taken) {
    taken.clear();
    std::unique_lock lock(m_mutex);
    if (m_posted.wait_for(lock, wait, [this] { return !m_queue.empty(); })) {
        taken.swap(m_queue);
    }
}

PostedMessage QueuedMessageWindow::Take() {
    std::unique_lock lock(m_mutex);
    m_posted.wait(lock, [this] { return !m_queue.empty(); });
    PostedMessage next = m_queue.front();
    m_queue.pop_front();
    return next;
}

}  // namespace kelvarin
