// The debug output sink: diagnostic lines that users do not see in normal
// work (the MD5 state trace). Nobody listens by default; callers ask
// DebugOutputListening() before formatting a line, so the sink costs nothing
// then. Tests attach a listener; the command line's --trace attaches the
// system's own: standard error on POSIX, the debugger's channel on Windows.
#pragma once

#include <string_view>

namespace kelvarin {

class DebugOutputListener {
public:
    virtual ~DebugOutputListener() = default;
    // Called on the thread that produced the line.
    virtual void OnDebugLine(std::string_view line) = 0;
};

// REQUIRES: no thread is producing lines while the listener changes.
void SetDebugOutputListener(DebugOutputListener* listener);

bool DebugOutputListening();

// Sends one line (its own line end included) to the listener, if any.
void OutputDebugLine(std::string_view line);

// Writes every line where the system's tools look for a program's debug
// output: standard error on POSIX, OutputDebugStringA on Windows (a
// debugger or DebugView shows it).
class SystemDebugOutput final : public DebugOutputListener {
public:
    void OnDebugLine(std::string_view line) override;
    // Where the lines go, for the help text.
    static const char* Where();
};

}  // namespace kelvarin
