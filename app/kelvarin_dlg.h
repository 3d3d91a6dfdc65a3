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
// thread posts to is destroyed. The threads are joined, never detached.
#pragma once

#include <QDialog>
#include <QIcon>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/posted_message_window.h"
#include "app/qt_choosers.h"
#include "app/rich_log.h"
#include "app/worker_threads.h"
#include "filelist/file_list_generator.h"
#include "import/deal.h"

class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTextEdit;

namespace kelvarin::app {

class CKelvarinDlg final : public QDialog {
    Q_OBJECT

public:
    // The program's dialog: Qt's file dialogs ask the questions.
    CKelvarinDlg();
    // REQUIRES: `choosers` outlives the dialog.
    explicit CKelvarinDlg(Choosers& choosers);
    // Waits for the last lines of threads that have finished their work.
    // REQUIRES: not Busy() (the dialog does not close while it is), so no
    // thread is still waiting for this one.
    ~CKelvarinDlg() override;

    CKelvarinDlg(const CKelvarinDlg&) = delete;
    CKelvarinDlg& operator=(const CKelvarinDlg&) = delete;

    // The dialog's window as the import workers see it: what is posted here
    // is handled by the message map on the GUI thread.
    MessageWindow& Window() { return m_window; }

    // An import or a file-list run is going on.
    bool Busy() const { return m_importRunning || m_listRunning; }

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

    // Worker messages, as the message map dispatches them; each returns 0.
    std::intptr_t OnImportUpdated(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    std::intptr_t OnImportAdded(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    std::intptr_t OnImportProgress(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    std::intptr_t OnImportFinished(std::uintptr_t wParam, std::intptr_t lParam);
    std::intptr_t OnImportFailed(std::uintptr_t fileIndex, std::intptr_t workerIndex);

    // The window menu (the context menu of the dialog, also on Alt+Space).
    QMenu* WindowMenu() const { return m_windowMenu; }

    // The fields, as the commands and the message handlers share them.
    // Every file of the last import, in scan order.
    std::vector<std::string> m_allFiles;
    // The dialog's copy of each worker's share of the last import.
    WorkerFileLists m_workerFiles;
    // The entries of exclude.list, read at start-up.
    std::vector<std::string> m_excludeList;
    QIcon m_icon;
    // The root folder, canonical, as loaded from root.folder or browsed.
    std::string m_rootPath;
    // The source folder of the last import, canonical.
    std::string m_sourceRoot;
    QTextEdit* m_log = nullptr;
    QLineEdit* m_status = nullptr;

    // Worker-finished messages counted since the buttons last came back;
    // one counter for the whole process.
    static std::int32_t s_finishedWorkers;

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
    void AppendImportLine(unsigned message, std::uintptr_t fileIndex, std::intptr_t workerIndex,
                          bool scroll);
    // Log lines wait here until the messages at hand have all been handled,
    // then go into the view together (see rich_log.h); `scroll` asks for the
    // view to end at the last line.
    void QueueLogLine(std::string line, Colorref color, bool scroll);
    void FlushLog();
    void SetCommandsEnabled(bool enabled);
    void ShowProgress(std::size_t done, std::size_t total);
    void HideProgress();
    void ShowImportProgress();

    // The file-list run, in the order its steps follow one another.
    void OnFileListProgress(std::size_t done, std::size_t total, const std::string& name);
    void OnFileListWritten(const FileListResult& result);
    void OnCompanionWritten(int written, const std::string& listPath);
    void EndFileListRun();

    QtChoosers m_qtChoosers;
    Choosers& m_choosers;
    // Declared before the threads: it outlives every one of them.
    PostedMessageWindow m_window{*this};
    WorkerThreads m_threads;

    QPushButton* m_import = nullptr;
    QPushButton* m_generate = nullptr;
    QLineEdit* m_rootEdit = nullptr;
    QPushButton* m_browse = nullptr;
    QLabel* m_directoryLabel = nullptr;
    QProgressBar* m_progress = nullptr;
    QMenu* m_windowMenu = nullptr;

    std::vector<ColoredLine> m_pendingLog;
    bool m_pendingScroll = false;
    bool m_flushQueued = false;

    bool m_importRunning = false;
    bool m_listRunning = false;
    // Per worker of the running import: files begun, and whether it has
    // finished; they give the files done for the progress bar.
    std::array<std::size_t, kImportWorkerCount> m_filesBegun{};
    std::array<bool, kImportWorkerCount> m_workerDone{};
};

}  // namespace kelvarin::app
