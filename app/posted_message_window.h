// The dialog's window handle as the import workers see it: PostMessage puts
// each worker message in a queue and wakes the receiving object with one
// posted QEvent while it has messages waiting. The receiver takes them on
// the GUI thread, in the order posted, a batch at a time, so that a backlog
// of a large import is worked off between input events instead of ahead of
// them. Posting never blocks on the GUI thread.
#pragma once

#include <QEvent>
#include <QObject>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/message_window.h"
#include "platform/queued_message_window.h"

namespace kelvarin::app {

// Tells the receiver that messages are waiting.
class MessagesWaitingEvent final : public QEvent {
public:
    MessagesWaitingEvent() : QEvent(EventType()) {}

    // Registered once.
    static QEvent::Type EventType();
};

class PostedMessageWindow final : public MessageWindow {
public:
    // REQUIRES: `receiver` outlives every thread that posts through this
    // window, and this window outlives them too.
    explicit PostedMessageWindow(QObject& receiver) : m_receiver(receiver) {}

    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

    // Moves up to `most` waiting messages into `taken` (emptied first), in
    // the order posted. Returns whether more are waiting: then the receiver
    // is not woken again and must come back for them itself.
    bool Take(std::size_t most, std::vector<PostedMessage>& taken);

private:
    QObject& m_receiver;
    std::mutex m_mutex;
    std::deque<PostedMessage> m_queue;
    bool m_woken = false;  // a MessagesWaitingEvent is on its way, or the receiver is taking
};

}  // namespace kelvarin::app
