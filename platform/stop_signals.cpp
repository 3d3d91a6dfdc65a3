// What a stop signal does, the same on every system: the hook, if one is
// set, or the clean-up and the exit. How the signals are taken is the
// system's (posix/ and windows/ stop_signals.cpp); either way they reach
// DispatchStopSignal on a thread of their own rather than in a handler, so
// the clean-up and the hook may lock and allocate like any other code.
#include "platform/stop_signals.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "fileio/live_temporaries.h"
#include "platform/stop_dispatch.h"

namespace kelvarin {

namespace {

std::mutex g_hookMutex;
StopHook g_hook;
std::atomic<bool> g_asked{false};

// Calls the hook, if one is set; false when there is none.
bool AskToStop(int signal) {
    const std::lock_guard lock(g_hookMutex);
    if (!g_hook) {
        return false;
    }
    g_hook(signal);
    return true;
}

}  // namespace

[[noreturn]] void EndAtOnce(const char* program, int signal) {
    const std::size_t removed = RemoveLiveTemporaries();
    std::fprintf(stderr, "%s: stopped by %s; %zu unfinished files removed\n", program,
                 signal == SIGINT ? "SIGINT" : "SIGTERM", removed);
    std::fflush(stderr);
    std::_Exit(128 + signal);
}

void DispatchStopSignal(const char* program, int signal) {
    // A second signal means the user will not wait for the first.
    if (g_asked.exchange(true) || !AskToStop(signal)) {
        EndAtOnce(program, signal);
    }
}

ScopedStopHook::ScopedStopHook(StopHook hook) {
    const std::lock_guard lock(g_hookMutex);
    g_hook = std::move(hook);
}

ScopedStopHook::~ScopedStopHook() {
    const std::lock_guard lock(g_hookMutex);
    g_hook = nullptr;
}

}  // namespace kelvarin
