// On Windows a program's diagnostics go to OutputDebugStringA, where a
// debugger (or DebugView) reads them; standard output and error stay clean.
#include <windows.h>

#include <string>

#include "platform/debug_output.h"

namespace kelvarin {

void SystemDebugOutput::OnDebugLine(std::string_view line) {
    OutputDebugStringA(std::string(line).c_str());
}

const char* SystemDebugOutput::Where() {
    return "the debugger (OutputDebugString)";
}

}  // namespace kelvarin
