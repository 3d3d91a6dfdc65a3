#include "platform/debug_output.h"

#include <atomic>

namespace kelvarin {

namespace {
std::atomic<DebugOutputListener*> g_listener{nullptr};
}

void SetDebugOutputListener(DebugOutputListener* listener) {
    g_listener.store(listener, std::memory_order_release);
}

bool DebugOutputListening() {
    return g_listener.load(std::memory_order_relaxed) != nullptr;
}

void OutputDebugLine(std::string_view line) {
    DebugOutputListener* listener = g_listener.load(std::memory_order_acquire);
    if (listener != nullptr) {
        listener->OnDebugLine(line);
    }
}

}  // namespace kelvarin
