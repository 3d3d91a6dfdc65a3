// Worker messages queued for the GUI thread.
#include "dialog/gui_message_queue.h"

#include <algorithm>
#include <utility>

namespace kelvarin {

void GuiMessageQueue::PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    bool wake = false;
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back({message, wParam, lParam});
        wake = !std::exchange(m_woken, true);
    }
    if (wake) {
        m_wake();
    }
}

bool GuiMessageQueue::Take(std::size_t most, std::vector<PostedMessage>& taken) {
    taken.clear();
    const std::lock_guard lock(m_mutex);
    const std::size_t count = std::min(most, m_queue.size());
    taken.assign(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(count));
    m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(count));
    m_woken = !m_queue.empty();
    return m_woken;
}

}  // namespace kelvarin
