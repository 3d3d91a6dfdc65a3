// The native dialog posed for its picture: drives the real window (real
// workers) through Import File on SOURCE into ROOT, a change to CHANGED, a
// second import and Generate File List, then moves it to the desktop's
// corner, prints its outer size and place ("WxH+X+Y") and keeps it up for
// HOLD_MS while the screen is captured (scripts/windows-screenshot).
//   win_dialog_shot SOURCE ROOT CHANGED HOLD_MS   (run in a folder of its own:
//                                                  root.folder is written there)
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <ole2.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "win/main_window.h"
#include "win/resource.h"

namespace {

class FixedChoosers final : public kelvarin::win::Choosers {
public:
    explicit FixedChoosers(std::string source) : m_source(std::move(source)) {}
    std::optional<std::string> ChooseFolder(HWND, const std::string&, const std::string&) override {
        return m_source;
    }
    // The list where the dialog proposes it.
    std::optional<std::string> ChooseSaveFile(HWND, const std::string& initial,
                                              const std::string&) override {
        return initial;
    }
    bool AskYesNo(HWND, const std::string&) override { return false; }
    void ShowMessage(HWND, const std::string&) override {}

private:
    std::string m_source;
};

// Runs the thread's message loop until `done`, or for `ms` when it is null.
void Pump(HWND dialog, const std::function<bool()>& done, DWORD ms = 0) {
    const ULONGLONG end = GetTickCount64() + ms;
    MSG message;
    while (done ? !done() : GetTickCount64() < end) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        } else if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: win_dialog_shot SOURCE ROOT CHANGED HOLD_MS\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    LoadLibraryW(L"riched20.dll");
    OleInitialize(nullptr);
    std::ofstream("root.folder", std::ios::binary) << argv[2];
    FixedChoosers choosers(argv[1]);
    kelvarin::win::MainWindow window(GetModuleHandleW(nullptr), choosers);
    const HWND dialog = window.Create();
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
