// SIGINT and SIGTERM are blocked everywhere and taken by sigwait on one
// thread.
#include <pthread.h>
#include <signal.h>

#include <thread>

#include "platform/stop_dispatch.h"
#include "platform/stop_signals.h"

namespace kelvarin {

void HandleStopSignals(const char* program) {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    std::thread([stops, program] {
        for (;;) {
            int signal = 0;
            while (sigwait(&stops, &signal) != 0) {
            }
            DispatchStopSignal(program, signal);
        }
    }).detach();
}

}  // namespace kelvarin
