// How the native dialog keeps up with a large import: drives the real
// window (real workers) through Import File on SOURCE into ROOT, while a
// second thread sends the window WM_NULL every 50 ms and records how long
// each answer takes. A sent message is answered when the window's thread
// next looks at its queue, so the longest answer is the longest stall of
// the window. Prints the figures; exits 1 when a stall exceeds 300 ms.
//   win_dialog_bench SOURCE ROOT   (run in a folder of its own: root.folder
//                                   is written there)
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <ole2.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <thread>

#include "win/main_window.h"
#include "win/resource.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPingInterval = std::chrono::milliseconds(50);
constexpr UINT kPingTimeoutMs = 60'000;
constexpr double kMaxStallMs = 300;

class FixedChoosers final : public kelvarin::win::Choosers {
public:
    explicit FixedChoosers(std::string source) : m_source(std::move(source)) {}
    std::optional<std::string> ChooseFolder(HWND, const std::string&, const std::string&) override {
        return m_source;
    }
    std::optional<std::string> ChooseSaveFile(HWND, const std::string&,
                                              const std::string&) override {
        return std::nullopt;
    }
    bool AskYesNo(HWND, const std::string&) override { return false; }
    void ShowMessage(HWND, const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }

private:
    std::string m_source;
};

bool Enabled(HWND dialog) {
    return IsWindowEnabled(GetDlgItem(dialog, IDC_IMPORT)) != FALSE;
}

// Answer times of WM_NULL sent to `window` until `stop`; the longest, in ms.
// Each answer over the limit is printed with when it began after `start`.
double LongestAnswer(HWND window, const std::atomic<bool>& stop, Clock::time_point start) {
    double longest = 0;
    while (!stop.load()) {
        const Clock::time_point sent = Clock::now();
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kPingTimeoutMs, &ignored);
        const double answer =
            std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
        if (answer > kMaxStallMs) {
            std::printf("stall of %.0f ms at %.1f s\n", answer,
                        std::chrono::duration<double>(sent - start).count());
        }
        longest = std::max(longest, answer);
        std::this_thread::sleep_for(kPingInterval);
    }
    return longest;
}

// Runs the thread's message loop, as the program's would, until `done`.
void Pump(HWND dialog, const std::function<bool()>& done) {
    MSG message;
    while (!done()) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        } else if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: win_dialog_bench SOURCE ROOT\n");
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
    std::atomic<bool> stop = false;
    std::atomic<bool> pinged = false;
    double longest = 0;
    const Clock::time_point start = Clock::now();
    std::thread pinger([&] {
        longest = LongestAnswer(dialog, stop, start);
        pinged = true;
    });
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_IMPORT, BN_CLICKED), 0);
    Pump(dialog, [&] { return Enabled(dialog) && !window.Busy(); });
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    stop = true;
    // The window keeps answering until the pinger's last message is in.
    Pump(dialog, [&] { return pinged.load(); });
    pinger.join();
    std::printf("import: %.1f s, longest stall of the window %.0f ms (limit %.0f ms)\n", seconds,
                longest, kMaxStallMs);
    OleUninitialize();
    return longest > kMaxStallMs ? 1 : 0;
}
