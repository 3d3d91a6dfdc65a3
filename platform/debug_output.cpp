#include "platform/debug_output.h"

#include <atomic>
#include <cstdio>

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

void StderrDebugOutput::OnDebugLine(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace kelvarin
