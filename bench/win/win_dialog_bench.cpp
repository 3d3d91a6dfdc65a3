// How the native dialog keeps up with a large import: drives the real
// window (real workers) through Import File on SOURCE into ROOT, while a
// second thread sends the window WM_NULL every 50 ms and records how long
// each answer takes. A sent message is answered when the window's thread
// next looks at its queue, so the longest answer is the longest stall of
// the window. Prints the figures; exits 1 when a stall exceeds 300 ms.
//   win_dialog_bench SOURCE ROOT   (run in a folder of its own: root.folder
//                                   is written there)
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "bench/win/dialog_driver.h"
#include "win/main_window.h"
#include "win/resource.h"

namespace {

using namespace kelvarin::win::bench;

using Clock = std::chrono::steady_clock;
constexpr auto kPingInterval = std::chrono::milliseconds(50);
constexpr UINT kPingTimeoutMs = 60'000;
constexpr double kMaxStallMs = 300;

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: win_dialog_bench SOURCE ROOT\n");
        return 2;
    }
    DrivenDialog driven(argv[1], argv[2]);
    kelvarin::win::MainWindow& window = driven.window;
    const HWND dialog = driven.dialog;
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
