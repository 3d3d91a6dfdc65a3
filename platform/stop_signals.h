// SIGINT and SIGTERM end the process cleanly: the temporaries it is writing
// are removed, so a stopped job leaves only files it had completed, and it
// exits with 128 + the signal (130, 143), as a shell reports it.
#pragma once

namespace kelvarin {

// Blocks both signals in the calling thread and in every thread it starts
// from now on, and starts one thread that waits for them. Call at the start
// of main, before any other thread exists. `program` prefixes the line that
// says the process was stopped.
void HandleStopSignals(const char* program);

}  // namespace kelvarin
