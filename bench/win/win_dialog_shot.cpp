// The native dialog posed for its picture: drives the real window (real
// workers) through Import File on SOURCE into ROOT, a change to CHANGED, a
// second import and Generate File List, then moves it to the desktop's
// corner, prints its outer size and place ("WxH+X+Y") and keeps it up for
// HOLD_MS while the screen is captured (scripts/windows-screenshot).
//   win_dialog_shot SOURCE ROOT CHANGED HOLD_MS   (run in a folder of its own:
//                                                  root.folder is written there)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "bench/win/dialog_driver.h"
#include "win/main_window.h"
#include "win/resource.h"

using namespace kelvarin::win::bench;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: win_dialog_shot SOURCE ROOT CHANGED HOLD_MS\n");
        return 2;
    }
    DrivenDialog driven(argv[1], argv[2]);
    kelvarin::win::MainWindow& window = driven.window;
    const HWND dialog = driven.dialog;
    SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(dialog);  // an active caption, as a user's window has
    const auto idle = [&] {
        return IsWindowEnabled(GetDlgItem(dialog, IDC_IMPORT)) != FALSE && !window.Busy();
    };
    for (const int command : {IDC_IMPORT, 0, IDC_IMPORT, IDC_GENERATE}) {
        if (command == 0) {
            std::ofstream(argv[3], std::ios::binary | std::ios::app) << "changed\n";
            continue;
        }
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        Pump(dialog, idle);
    }
    Pump(dialog, nullptr, 500);
    RECT place;
    GetWindowRect(dialog, &place);
    std::printf("%ldx%ld+%ld+%ld\n", place.right - place.left, place.bottom - place.top, place.left,
                place.top);
    std::fflush(stdout);
    Pump(dialog, nullptr, static_cast<DWORD>(std::atoi(argv[4])));
    OleUninitialize();
    return 0;
}
