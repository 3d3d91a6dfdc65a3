// The main dialog, the tool's only window. It owns every piece of long-lived
// state (the root folder, the lists of the last import, the exclusion list),
// runs the three commands (browse, Import File, Generate File List) and
// follows the background work through worker messages.
//
// Background work never blocks the window: the folder scan of an import and
// the file-list run go on threads of their own, and the four import workers
// post to this dialog, which takes their messages on the GUI thread through
// its message map, a bounded batch per pass of the event loop, so input is
// never queued behind a backlog. The progress bar follows the bytes done,
// read from the run's shared counter by a timer. While work is going on,
// Import File and Generate File List are disabled (so the lists the workers'
// messages refer to stay as they are); closing asks whether to stop, and
// then waits for the workers to finish the files they are on, so that no
// stored file or list is left half-written and nothing that a running thread
// posts to is destroyed. The threads are joined, never detached. Enter never
// ends the dialog: it clicks the focused button or applies a typed root.
// Every run ends with its summary and its problems again at the end of the
// log.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QIcon>
#include <QList>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/file_list_run.h"
#include "app/posted_message_window.h"
#include "app/qt_choosers.h"
#include "import/deal.h"
#include "import/import_progress.h"
#include "import/run_summary.h"
#include "import/start_import.h"
#include "import/worker_group.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kelvarin::app {

class DialogLineEdit;
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

    // An import (its scan included) or a file-list run is going on.
    bool Busy() const { return m_scanning || m_importRunning || m_listRun.Running(); }
    // The import's folder scan is going on; its workers' messages wait.
    bool Scanning() const { return m_scanning; }

    // Ends the dialog with `result`. While it is Busy() the user is asked
    // whether to stop the run first; on yes the import's workers finish the
    // files they are on (a file-list run finishes), and the dialog ends then.
    void done(int result) override;

    // Field -> control when false (the only direction the tool itself uses),
    // control -> field when true.
    void UpdateData(bool saveAndValidate);

    // Commands.
    void OnBrowse();
    void OnImportFile();
    void OnGenerateFileList();
    // Enter in the root path box: the typed folder becomes the root, as if
    // browsed to, or the user is told that it does not exist.
    void OnRootPathEntered();
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
    void HandleWaitingMessages();
    void DispatchMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

    // Worker messages, as the message map dispatches them; each returns 0.
    std::intptr_t OnImportUpdated(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    std::intptr_t OnImportAdded(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    std::intptr_t OnImportProgress(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    std::intptr_t OnImportFinished(std::uintptr_t wParam, std::intptr_t lParam);
    std::intptr_t OnImportFailed(std::uintptr_t fileIndex, std::intptr_t workerIndex);

    void SetRootFolder(const std::string& folder);
    void OnImportStarted(ImportRun run);
    void EndImport();
    void AppendImportLine(unsigned message, std::uintptr_t fileIndex, std::intptr_t workerIndex,
                          bool scroll);
    void SetCommandsEnabled(bool enabled);
    // Gives the buttons back, the focus to the one that started the command,
    // and ends the dialog if closing was waiting for the run.
    void EndCommand(const std::string& summary);
    void ShowProgress(std::uint64_t done, std::uint64_t total);
    void ShowImportProgress();
    std::uint64_t ShownBytesDone() const;
    void OnFileListProgress(std::size_t done, std::size_t total, const std::string& name);
    void OnFileListEnded(const FileListResult& result);
    QList<QAction*> WindowMenuActions() const;

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
    DialogLineEdit* m_rootEdit = nullptr;
    QPushButton* m_browse = nullptr;
    QLabel* m_directoryLabel = nullptr;
    RichLog* m_log = nullptr;
    DialogLineEdit* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QMenu* m_windowMenu = nullptr;
    QTimer* m_progressTimer = nullptr;

    // The button whose command is running; it gets the focus back.
    QPushButton* m_startedBy = nullptr;
    // The import's scan, on a thread of its own; joined once it hands the run over.
    std::jthread m_scanThread;
    bool m_scanning = false;
    bool m_importRunning = false;
    // Closing waits for the run to end; then the dialog ends with this result.
    bool m_closeWhenIdle = false;
    int m_closeResult = 0;
    // The running import's shared bytes done and stop request.
    std::shared_ptr<ImportProgress> m_runProgress;
    QElapsedTimer m_runClock;
    // Per worker of the running import: the size of each file (as the run
    // measured them) and the files begun, for the file in the status line.
    WorkerFileSizes m_fileSizes;
    std::array<std::size_t, kImportWorkerCount> m_filesBegun{};
    // The file begun last, and the bytes done when it was begun, for the
    // status line's percent.
    std::string m_currentFile;
    std::uint64_t m_currentFileSize = 0;
    std::uint32_t m_currentWorker = 0;  // the worker on m_currentFile
    // Counts of the running import, and its problems to repeat at its end.
    ImportCounts m_counts;
    std::uint64_t m_filesBegunTotal = 0;
    std::uint64_t m_notStartedFiles = 0;  // of workers whose thread could not be started
    std::vector<std::string> m_problems;
};

}  // namespace kelvarin::app
