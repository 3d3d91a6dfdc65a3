// Standard error is where a POSIX program's diagnostics are looked for.
#include <cstdio>

#include "platform/debug_output.h"

namespace kelvarin {

void SystemDebugOutput::OnDebugLine(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
}

const char* SystemDebugOutput::Where() {
    return "standard error";
}

}  // namespace kelvarin
