// The main dialog as a native window: a view over the dialog's behaviour
// (MainDialog), which owns the state and runs the commands, like the Qt
// dialog on Linux. This class creates the window from the IDD_MAIN
// template, turns button clicks, Enter, Escape, the close box and the
// system menu into the behaviour's commands, and gives the behaviour the
// system's services: the choosers and boxes, the rich edit log, the status
// line, the bar, a timer and hand-overs to the GUI thread. Enter never ends
// the dialog: it clicks the focused button or applies a typed root.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "dialog/dialog_view.h"
#include "dialog/main_dialog.h"
#include "win/choosers.h"
#include "win/rich_log.h"
#include "win/window_tasks.h"

namespace kelvarin::win {

class MainWindow final : private DialogView {
public:
    // `launch` starts each import worker's thread.
    // REQUIRES: `choosers` outlives the window.
    MainWindow(HINSTANCE instance, Choosers& choosers, WorkerLauncher launch = LaunchWorkerThread);
    // REQUIRES: not Busy() (the dialog does not end while it is).
    ~MainWindow() override;

    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Shows the dialog modally, with no owner; returns once it has ended,
    // with the result it ended with.
    INT_PTR RunModal();
    // Creates the dialog without a loop of its own: the caller's message
    // loop passes its messages through IsDialogMessageW. Ending destroys
    // the window. Returns the window, or null when it could not be made.
    HWND Create();

    HWND Handle() const { return m_window; }
    // The dialog has ended (a window made by Create is then destroyed).
    bool Ended() const { return m_ended; }
    int Result() const { return m_result; }
    bool Busy() const { return m_dialog.Busy(); }
    bool Scanning() const { return m_dialog.Scanning(); }
    // The dialog's window as the import workers see it.
    MessageWindow& Window() { return m_dialog.Window(); }

private:
    // The timer by which the bar and the status line follow a run.
    static constexpr UINT_PTR kProgressTimer = 1;

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog(HWND window);
    bool OnCommand(int id, int code);
    bool OnSysCommand(WPARAM id);
    bool OnPaint();
    HWND Control(int id) const { return GetDlgItem(m_window, id); }

    // DialogView.
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& initialFolder) override;
    std::optional<std::string> ChooseSaveFile(const std::string& initialPath,
                                              const std::string& defaultSuffix) override;
    bool AskYesNo(const std::string& question) override;
    void ShowMessage(const std::string& text) override;
    void AppendLine(std::string_view text, Colorref color, bool scroll) override;
    void ScrollLog() override;
    void SetStatus(const std::string& text) override;
    void SetRootText(const std::string& text) override;
    void EnableCommands(bool enabled) override;
    void FocusCommand(DialogCommand command) override;
    void ShowProgress(std::uint64_t done, std::uint64_t total) override;
    void HideProgress() override;
    void PostToGui(std::function<void()> work) override;
    void StartTimer(int intervalMs) override;
    void StopTimer() override;
    void EndDialog(int result) override;

    HINSTANCE m_instance;
    Choosers& m_choosers;
    HWND m_window = nullptr;
    HICON m_icon = nullptr;
    bool m_modal = false;
    bool m_ended = false;
    int m_result = 0;
    RichLog m_log;
    WindowTasks m_tasks;
    // Last: destroyed first, while the window services it uses still exist.
    MainDialog m_dialog;
};

}  // namespace kelvarin::win
