// Work queued for a window's thread.
#include "win/window_tasks.h"

#include <utility>

namespace kelvarin::win {

void WindowTasks::Attach(HWND window) {
    const std::lock_guard lock(m_mutex);
    m_window = window;
    m_windowThread = GetCurrentThreadId();
}

void WindowTasks::Detach() {
    const std::lock_guard lock(m_mutex);
    if (m_window != nullptr) {
        KillTimer(m_window, kWakeTimer);
    }
    m_window = nullptr;
    m_waiting.clear();
}

void WindowTasks::Post(std::function<void()> work) {
    const std::lock_guard lock(m_mutex);
    if (m_window == nullptr) {
        return;
    }
    m_waiting.push_back(std::move(work));
    if (!std::exchange(m_wakePending, true)) {
        Wake();
    }
}

void WindowTasks::Wake() {
    const bool ownThread = GetCurrentThreadId() == m_windowThread;
    // The high word says what is waiting in this thread's queue now.
    if (ownThread && HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT)) != 0) {
        SetTimer(m_window, kWakeTimer, USER_TIMER_MINIMUM, nullptr);
    } else {
        PostMessageW(m_window, kWakeMessage, 0, 0);
    }
}

void WindowTasks::RunWaiting() {
    std::deque<std::function<void()>> batch;
    {
        const std::lock_guard lock(m_mutex);
        if (m_window != nullptr) {
            KillTimer(m_window, kWakeTimer);
        }
        batch.swap(m_waiting);
        m_wakePending = false;
    }
    for (std::function<void()>& work : batch) {
        work();
    }
}

}  // namespace kelvarin::win
