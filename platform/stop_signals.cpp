// The signals are taken by sigwait on a thread of their own rather than by a
// handler, so the clean-up and the hook may lock and allocate like any other
// code.
#include "platform/stop_signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

#include "fileio/live_temporaries.h"

namespace kelvarin {

namespace {

std::mutex g_hookMutex;
StopHook g_hook;

// Calls the hook, if one is set; false when there is none.
bool AskToStop(int signal) {
    const std::lock_guard lock(g_hookMutex);
    if (!g_hook) {
        return false;
    }
    g_hook(signal);
    return true;
}

[[noreturn]] void EndAtOnce(const char* program, int signal) {
    const std::size_t removed = RemoveLiveTemporaries();
    char line[200];
    const int length =
        std::snprintf(line, sizeof line, "%s: stopped by %s; %zu unfinished files removed\n",
                      program, signal == SIGINT ? "SIGINT" : "SIGTERM", removed);
    if (length > 0 && ::write(STDERR_FILENO, line, static_cast<std::size_t>(length)) < 0) {
        // Nothing more can be said.
    }
    ::_exit(128 + signal);
}

}  // namespace

void HandleStopSignals(const char* program) {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    std::thread([stops, program] {
        bool asked = false;
        for (;;) {
            int signal = 0;
            while (sigwait(&stops, &signal) != 0) {
            }
            // A second signal means the user will not wait for the first.
            if (asked || !AskToStop(signal)) {
                EndAtOnce(program, signal);
            }
            asked = true;
        }
    }).detach();
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
