// SIGINT and SIGTERM end the process cleanly: the temporaries it is writing
// are removed, so a stopped job leaves only files it had completed, and it
// exits with 128 + the signal (130, 143), as a shell reports it. A command
// that can end a run early and still report it registers a stop hook: the
// first signal then only calls the hook, and a second one ends the process
// at once.
#pragma once

#include <functional>

namespace kelvarin {

// Blocks both signals in the calling thread and in every thread it starts
// from now on, and starts one thread that waits for them. Call at the start
// of main, before any other thread exists. `program` prefixes the line that
// says the process was stopped. SIGPIPE is ignored from then on: a write to
// a closed pipe fails (EPIPE) and is reported like any failed write.
void HandleStopSignals(const char* program);

// Told the signal (SIGINT or SIGTERM) on the signal thread; must return soon.
using StopHook = std::function<void(int signal)>;

// While it lives, the first signal calls `hook` instead of ending the
// process. Once the destructor has returned, the hook is no longer called.
class ScopedStopHook {
public:
    explicit ScopedStopHook(StopHook hook);
    ~ScopedStopHook();
    ScopedStopHook(const ScopedStopHook&) = delete;
    ScopedStopHook& operator=(const ScopedStopHook&) = delete;
};

}  // namespace kelvarin
