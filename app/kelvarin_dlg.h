// The main dialog, the tool's only window. It owns every piece of long-lived
// state (the root folder, the lists of the last import, the exclusion list),
// runs the three commands (browse, Import File, Generate File List) and
// follows the background work through worker messages.
//
// Background work never blocks the window: the four import workers and the
// file-list run post to this dialog, which handles their messages on the GUI
// thread through its message map. While work is going on, Import File and
// Generate File List are disabled (so the lists the workers' messages refer
// to stay as they are) and the dialog refuses to close, saying why, so that
// no stored file or list is left half-written and nothing that a running
// thread posts to is destroyed. The threads are joined, never detached: an
// import's workers once the fourth has finished, the file-list run's threads
// when each has handed its result back.
#pragma once

#include <QDialog>
#include <QIcon>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/file_list_run.h"
#include "app/posted_message_window.h"
#include "app/qt_choosers.h"
#include "import/deal.h"
#include "import/start_import.h"
#include "import/worker_group.h"

class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;

namespace kelvarin::app {

class RichLog;

class CKelvarinDlg final : public QDialog {
    Q_OBJECT

public:
    // The program's dialog: Qt's file dialogs ask the questions.
    CKelvarinDlg();
    // `launch` starts each import worker's thread.
    // REQUIRES: `choosers` outlives the dialog.
    explicit CKelvarinDlg(Choosers& choosers, WorkerLauncher launch = LaunchWorkerThread);
    // REQUIRES: not Busy() (the dialog does not close while it is), so no
    // thread is still waiting for this one.
    ~CKelvarinDlg() override;

    CKelvarinDlg(const CKelvarinDlg&) = delete;
    CKelvarinDlg& operator=(const CKelvarinDlg&) = delete;

    // The dialog's window as the import workers see it: what is posted here
    // is handled by the message map on the GUI thread.
    MessageWindow& Window() { return m_window; }

    // An import or a file-list run is going on.
    bool Busy() const { return m_importRunning || m_listRun.Running(); }

    // Ends the dialog with `result`, unless it is Busy(): then the user is
    // told why it stays open.
    void done(int result) override;
    // Enter while no push button has the focus: reads the controls back into
    // the fields, then ends the dialog.
    void accept() override;

    // Field -> control when false (the only direction the tool itself uses),
    // control -> field when true.
    void UpdateData(bool saveAndValidate);

    // Commands.
    void OnBrowse();
    void OnImportFile();
    void OnGenerateFileList();
    // Window-menu commands: IDM_ABOUTBOX (ids 16 to 31) opens the About box,
    // SC_CLOSE closes the dialog.
    void OnSysCommand(unsigned id, std::intptr_t lParam);

protected:
    void customEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    using Handler = std::intptr_t (CKelvarinDlg::*)(std::uintptr_t, std::intptr_t);
    struct MessageMapEntry {
        unsigned message;
        Handler handler;
    };
    static const MessageMapEntry kMessageMap[];

    void CreateControls();
    bool OnInitDialog();
    void DispatchMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

    // Worker messages, as the message map dispatches them; each returns 0.
    std::intptr_t OnImportUpdated(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    std::intptr_t OnImportAdded(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    std::intptr_t OnImportProgress(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    std::intptr_t OnImportFinished(std::uintptr_t wParam, std::intptr_t lParam);
    std::intptr_t OnImportFailed(std::uintptr_t fileIndex, std::intptr_t workerIndex);

    void AppendImportLine(unsigned message, std::uintptr_t fileIndex, std::intptr_t workerIndex,
                          bool scroll);
    void SetCommandsEnabled(bool enabled);
    void ShowProgress(std::size_t done, std::size_t total);
    void ShowImportProgress();
    void OnFileListProgress(std::size_t done, std::size_t total, const std::string& name);
    void OnFileListEnded();

    // Worker-finished messages counted since the buttons last came back;
    // one counter for the whole process.
    static std::int32_t s_finishedWorkers;

    // Every file of the last import, in scan order.
    std::vector<std::string> m_allFiles;
    // Each worker's share of the last import, shared with its workers.
    std::shared_ptr<const WorkerFileLists> m_workerFiles = std::make_shared<WorkerFileLists>();
    std::shared_ptr<const FailureReasons> m_failureReasons = std::make_shared<FailureReasons>();
    // The entries of exclude.list, read at start-up.
    std::vector<std::string> m_excludeList;
    std::string m_excludeListProblem;  // exclude.list could not be read whole
    QIcon m_icon;
    // The root folder, canonical, as loaded from root.folder or browsed.
    std::string m_rootPath;
    // The source folder of the last import, canonical.
    std::string m_sourceRoot;

    QtChoosers m_qtChoosers;
    Choosers& m_choosers;
    WorkerLauncher m_launch;
    // Declared before the threads: it outlives every one of them.
    PostedMessageWindow m_window{*this};
    // The last import's workers; joined once the fourth has finished.
    WorkerGroup m_importWorkers;
    FileListRun m_listRun;

    QPushButton* m_import = nullptr;
    QPushButton* m_generate = nullptr;
    QLineEdit* m_rootEdit = nullptr;
    QPushButton* m_browse = nullptr;
    QLabel* m_directoryLabel = nullptr;
    RichLog* m_log = nullptr;
    QLineEdit* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QMenu* m_windowMenu = nullptr;

    bool m_importRunning = false;
    // Per worker of the running import: files begun, and whether it has
    // finished; they give the files done for the progress bar.
    std::array<std::size_t, kImportWorkerCount> m_filesBegun{};
    std::array<bool, kImportWorkerCount> m_workerDone{};
};

}  // namespace kelvarin::app
