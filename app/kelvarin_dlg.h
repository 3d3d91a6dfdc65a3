// The main dialog in Qt: a view over the dialog's behaviour (MainDialog),
// which owns the state and runs the commands. This class builds the
// template's controls, turns clicks, keys and the window menu into the
// behaviour's commands, and gives the behaviour the toolkit's services: the
// choosers, message boxes, the log, the status line, the bar, a timer and
// hand-overs to the GUI thread. Enter never ends the dialog: it clicks the
// focused button or applies a typed root.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QList>
#include <cstdint>
#include <string>

#include "app/main_template.h"
#include "app/qt_choosers.h"
#include "dialog/dialog_view.h"
#include "dialog/main_dialog.h"

class QAction;
class QMenu;
class QTimer;

namespace kelvarin::app {

class CKelvarinDlg final : public QDialog, private DialogView {
    Q_OBJECT

public:
    // The program's dialog: Qt's file dialogs ask the questions.
    CKelvarinDlg();
    // `launch` starts each import worker's thread.
    // REQUIRES: `choosers` outlives the dialog.
    explicit CKelvarinDlg(Choosers& choosers, WorkerLauncher launch = LaunchWorkerThread);
    // REQUIRES: not Busy() (the dialog does not close while it is).
    ~CKelvarinDlg() override;

    CKelvarinDlg(const CKelvarinDlg&) = delete;
    CKelvarinDlg& operator=(const CKelvarinDlg&) = delete;

    // The dialog's window as the import workers see it.
    MessageWindow& Window() { return m_dialog.Window(); }
    bool Busy() const { return m_dialog.Busy(); }
    bool Scanning() const { return m_dialog.Scanning(); }

    // Ends the dialog with `result`, asking first while a run is going on.
    void done(int result) override;
    // Window-menu commands: IDM_ABOUTBOX (ids 16 to 31) opens the About box,
    // SC_CLOSE closes the dialog.
    void OnSysCommand(unsigned id, std::intptr_t lParam);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void CreateWindowMenu();
    QList<QAction*> WindowMenuActions() const;

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

    QIcon m_icon;
    QtChoosers m_qtChoosers;
    Choosers& m_choosers;
    MainControls m_controls;
    QMenu* m_windowMenu = nullptr;
    QTimer* m_timer = nullptr;
    // Last: destroyed first, while the controls it reports to still exist.
    MainDialog m_dialog;
};

}  // namespace kelvarin::app
