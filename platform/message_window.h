// Where the import workers post their messages: the dialog's window, the
// command line's queue, or a test's recorder. PostMessage is thread-safe
// and never blocks on the receiver.
#pragma once

#include <cstdint>

namespace kelvarin {

constexpr unsigned kWmUser = 0x400;

class MessageWindow {
public:
    virtual ~MessageWindow() = default;
    virtual void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

}  // namespace kelvarin
