// The dialog's window as the import workers see it: PostMessage puts each
// worker message in a queue and wakes the GUI thread once while messages
// wait. The dialog takes them in the order posted, a batch at a time, so a
// backlog of a large import is worked off between input events instead of
// ahead of them, and no message is ever lost to a full system queue.
// Posting never blocks on the GUI thread.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/message_window.h"
#include "platform/queued_message_window.h"

namespace kelvarin {

class GuiMessageQueue final : public MessageWindow {
public:
    // `wake` is called (from the posting thread) when the first message of
    // a backlog arrives; it must make the GUI thread come and Take.
    explicit GuiMessageQueue(std::function<void()> wake) : m_wake(std::move(wake)) {}

    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

    // Moves up to `most` waiting messages into `taken` (emptied first), in
    // the order posted. Returns whether more are waiting: then nobody is
    // woken again and the caller must come back for them itself.
    bool Take(std::size_t most, std::vector<PostedMessage>& taken);

private:
    std::function<void()> m_wake;
    std::mutex m_mutex;
    std::deque<PostedMessage> m_queue;
    bool m_woken = false;  // a wake-up is on its way, or the GUI thread is taking
};

}  // namespace kelvarin
