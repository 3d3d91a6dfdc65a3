// A MessageWindow whose messages wait in a queue until the receiving thread
// takes them, in the order they were posted: the command line's stand-in for
// the dialog's message queue.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/message_window.h"

namespace kelvarin {

struct PostedMessage {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

class QueuedMessageWindow final : public MessageWindow {
public:
    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

    // Blocks until a message is there and removes it.
    PostedMessage Take();
    // Waits at most `wait` for a message, then moves every waiting message
    // into `taken` (emptied first), in the order posted.
    void TakeAllFor(std::chrono::milliseconds wait, std::deque<PostedMessage>& taken);

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<PostedMessage> m_queue;
};

}  // namespace kelvarin
