// The debug output sink: diagnostic lines that users do not see in normal
// work (the MD5 state trace). Nobody listens by default; callers ask
// DebugOutputListening() before formatting a line, so the sink costs nothing
// then. Tests attach a listener; the command line's --trace attaches one
// that writes to standard error.
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

// Writes every line to standard error unchanged.
class StderrDebugOutput final : public DebugOutputListener {
public:
    void OnDebugLine(std::string_view line) override;
};

}  // namespace kelvarin
