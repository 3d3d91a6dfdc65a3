// Work handed to a window's thread from any thread (DialogView::PostToGui):
// queued here, with one wake-up message posted to the window while work
// waits, so that however much is handed over the system's queue of posted
// messages never fills. Posted messages come before input and painting in
// a Windows message loop, so work handed over by the window's own thread
// while input or painting waits (the rest of a backlog of worker messages)
// wakes the window through its lowest-priority message, a timer, instead:
// the window answers between batches.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

namespace kelvarin::win {

class WindowTasks {
public:
    // The message and timer id that wake the window; its procedure calls
    // RunWaiting for either.
    static constexpr UINT kWakeMessage = WM_APP + 1;
    static constexpr UINT_PTR kWakeTimer = 0x4B56;

    // REQUIRES: called on the window's thread, before any Post.
    void Attach(HWND window);
    // Called from any thread; never blocks on the window's thread. Work
    // handed over before Attach or after Detach is dropped.
    void Post(std::function<void()> work);
    // Runs the work that waits now, in the order handed over.
    void RunWaiting();
    // Drops what waits; nothing wakes the window any more.
    void Detach();

private:
    void Wake();

    std::mutex m_mutex;
    HWND m_window = nullptr;
    DWORD m_windowThread = 0;
    std::deque<std::function<void()>> m_waiting;
    bool m_wakePending = false;
};

}  // namespace kelvarin::win
