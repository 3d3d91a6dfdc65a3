// The shared half of the stop signals, for the system halves that take them.
#pragma once

namespace kelvarin {

// Called for each SIGINT or SIGTERM (or what stands for them) on a thread
// that may lock and allocate: the first calls the stop hook if one is set;
// otherwise, or on a later one, EndAtOnce.
void DispatchStopSignal(const char* program, int signal);

// Removes the live temporaries, says so on standard error after `program`,
// and exits with 128 + `signal`.
[[noreturn]] void EndAtOnce(const char* program, int signal);

}  // namespace kelvarin
