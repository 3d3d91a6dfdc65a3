// The system's side of each operation the dialog's behaviour asks for.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>

#include "fileio/windows/win32_text.h"
#include "win/main_window.h"
#include "win/resource.h"

namespace kelvarin::win {

namespace {

// The bar counts in int; large runs are shown in proportion.
constexpr std::uint64_t kBarSteps = 1'000'000;
constexpr UINT kMarqueeIntervalMs = 30;

}  // namespace

std::optional<std::string> MainWindow::ChooseFolder(const std::string& title,
                                                    const std::string& initialFolder) {
    return m_choosers.ChooseFolder(m_window, title, initialFolder);
}

std::optional<std::string> MainWindow::ChooseSaveFile(const std::string& initialPath,
                                                      const std::string& defaultSuffix) {
    return m_choosers.ChooseSaveFile(m_window, initialPath, defaultSuffix);
}

bool MainWindow::AskYesNo(const std::string& question) {
    return m_choosers.AskYesNo(m_window, question);
}

void MainWindow::ShowMessage(const std::string& text) {
    m_choosers.ShowMessage(m_window, text);
}

void MainWindow::AppendLine(std::string_view text, Colorref color, bool scroll) {
    m_log.AppendLine(text, color, scroll);
}

void MainWindow::ScrollLog() {
    m_log.Flush();
}

void MainWindow::SetStatus(const std::string& text) {
    SetDlgItemTextW(m_window, IDC_STATUS, WideOf(text).c_str());
}

void MainWindow::SetRootText(const std::string& text) {
    SetDlgItemTextW(m_window, IDC_ROOT_PATH, WideOf(text).c_str());
}

void MainWindow::EnableCommands(bool enabled) {
    const HWND focus = GetFocus();
    EnableWindow(Control(IDC_IMPORT), enabled);
    EnableWindow(Control(IDC_GENERATE), enabled);
    // A disabled control keeps the focus unless it is moved on; the keys
    // would then go nowhere until the run ends.
    if (!enabled && (focus == Control(IDC_IMPORT) || focus == Control(IDC_GENERATE))) {
        SendMessageW(m_window, WM_NEXTDLGCTL, 0, FALSE);
    }
}

void MainWindow::FocusCommand(DialogCommand command) {
    const HWND button = Control(command == DialogCommand::kImport ? IDC_IMPORT : IDC_GENERATE);
    SendMessageW(m_window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
}

void MainWindow::ShowProgress(std::uint64_t done, std::uint64_t total) {
    const HWND bar = Control(IDC_PROGRESS);
    const LONG_PTR style = GetWindowLongPtrW(bar, GWL_STYLE);
    if (total == 0) {
        if ((style & PBS_MARQUEE) == 0) {
            SetWindowLongPtrW(bar, GWL_STYLE, style | PBS_MARQUEE);
            SendMessageW(bar, PBM_SETMARQUEE, TRUE, kMarqueeIntervalMs);
        }
    } else {
        if ((style & PBS_MARQUEE) != 0) {
            SendMessageW(bar, PBM_SETMARQUEE, FALSE, 0);
            SetWindowLongPtrW(bar, GWL_STYLE, style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
        }
        const std::uint64_t steps = std::min(total, kBarSteps);
        const auto value =
            static_cast<std::uint64_t>(static_cast<double>(std::min(done, total)) /
                                       static_cast<double>(total) * static_cast<double>(steps));
        SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(steps));
        SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(value), 0);
    }
    ShowWindow(bar, SW_SHOWNA);
}

void MainWindow::HideProgress() {
    const HWND bar = Control(IDC_PROGRESS);
    SendMessageW(bar, PBM_SETMARQUEE, FALSE, 0);
    ShowWindow(bar, SW_HIDE);
}

void MainWindow::PostToGui(std::function<void()> work) {
    m_tasks.Post(std::move(work));
}

void MainWindow::StartTimer(int intervalMs) {
    SetTimer(m_window, kProgressTimer, static_cast<UINT>(intervalMs), nullptr);
}

void MainWindow::StopTimer() {
    KillTimer(m_window, kProgressTimer);
}

}  // namespace kelvarin::win
