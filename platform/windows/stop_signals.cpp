// The console's control events stand for the signals: Ctrl+C for SIGINT,
// Ctrl+Break for SIGTERM. The system calls the handler on a thread of its
// own, which may wait for the hook like the POSIX signal thread. Closing
// the console ends the process as soon as the handler returns, so no run
// could finish its report: it ends at once, as a second signal does.
#include <windows.h>

#include <csignal>

#include "platform/stop_dispatch.h"
#include "platform/stop_signals.h"

namespace kelvarin {

namespace {

const char* g_program = "";

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
            DispatchStopSignal(g_program, SIGINT);
            return TRUE;
        case CTRL_BREAK_EVENT:
            DispatchStopSignal(g_program, SIGTERM);
            return TRUE;
        case CTRL_CLOSE_EVENT:
            EndAtOnce(g_program, SIGTERM);
        default:
            return FALSE;
    }
}

}  // namespace

void HandleStopSignals(const char* program) {
    g_program = program;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace kelvarin
