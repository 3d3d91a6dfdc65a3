// The signals are taken by sigwait on a thread of their own rather than by a
// handler, so the clean-up may lock and allocate like any other code.
#include "platform/stop_signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <thread>

#include "fileio/live_temporaries.h"

namespace kelvarin {

void HandleStopSignals(const char* program) {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    std::thread([stops, program] {
        int signal = 0;
        while (sigwait(&stops, &signal) != 0) {
        }
        const std::size_t removed = RemoveLiveTemporaries();
        char line[200];
        const int length =
            std::snprintf(line, sizeof line, "%s: stopped by %s; %zu unfinished files removed\n",
                          program, signal == SIGINT ? "SIGINT" : "SIGTERM", removed);
        if (length > 0 && ::write(STDERR_FILENO, line, static_cast<std::size_t>(length)) < 0) {
            // Nothing more can be said.
        }
        ::_exit(128 + signal);
    }).detach();
}

}  // namespace kelvarin
