// The main dialog's behaviour, whatever window shows it: the three commands
// (browse, Import File, Generate File List), the root folder and its
// settings file, the handlers of the worker messages, the log lines with
// their colours, the status line, the progress, enabling and disabling, and
// the close protocol. It owns every piece of long-lived state (the root
// folder, the last import's run and lists, the exclusion list) and talks to
// its window only through DialogView, so the Qt dialog and a native one
// behave the same and the behaviour is tested without either.
//
// Background work never blocks the window: the folder scan of an import and
// the file-list run go on threads of their own, and the import workers post
// to a queue that the GUI thread drains a bounded batch at a time. While
// work is going on, Import File and Generate File List are disabled (so the
// lists the workers' messages refer to stay as they are); closing asks
// whether to stop, and then waits for the workers to finish the files they
// are on, so that no stored file or list is left half-written. The import
// run is kept whole, its lock included, until its last worker has ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dialog/dialog_view.h"
#include "dialog/file_list_run.h"
#include "dialog/gui_message_queue.h"
#include "import/import_tally.h"
#include "import/start_import.h"

namespace kelvarin {

class MainDialog {
public:
    // `launch` starts each import worker's thread.
    // REQUIRES: `view` outlives the dialog.
    explicit MainDialog(DialogView& view, WorkerLauncher launch = LaunchWorkerThread);
    // REQUIRES: not Busy(), so no thread still posts to this dialog.
    ~MainDialog();

    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

    // Reads root.folder and exclude.list from the current folder; a problem
    // with either is said once the window is up.
    void OnInitDialog();

    // The dialog's window as the import workers see it.
    MessageWindow& Window() { return m_window; }

    // An import (its scan included) or a file-list run is going on.
    bool Busy() const { return m_scanning || m_tally.has_value() || m_listRun.Running(); }
    // The import's folder scan is going on; its workers' messages wait.
    bool Scanning() const { return m_scanning; }
    const std::string& RootPath() const { return m_rootPath; }

    // Commands.
    void OnBrowse();
    void OnImportFile();
    void OnGenerateFileList();
    // Enter in the root path box: the typed folder becomes the root, as if
    // browsed to, or the user is told that it does not exist.
    void OnRootPathEntered(const std::string& typed);
    // The user asks to end the dialog with `result`. While it is Busy() the
    // user is asked whether to stop the run first; on yes the import's
    // workers finish the files they are on (a file-list run writes
    // nothing), and the dialog ends then.
    void OnClose(int result);
    // The view's periodic timer: the bar and the status line follow the run.
    void OnTimer();
    // Takes the waiting worker messages, a bounded batch.
    void HandleWaitingMessages();

private:
    using Handler = void (MainDialog::*)(std::uintptr_t, std::intptr_t);
    struct MessageMapEntry {
        unsigned message;
        Handler handler;
    };
    static const MessageMapEntry kMessageMap[];

    void DispatchMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    void OnImportUpdated(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    void OnImportAdded(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    void OnImportProgress(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    void OnImportFinished(std::uintptr_t wParam, std::intptr_t workerIndex);
    void OnImportFailed(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    void OnImportAbandoned(std::uintptr_t fileIndex, std::intptr_t workerIndex);
    void TakeWorkerMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

    void SetRootFolder(const std::string& folder);
    void ShowRoot() { m_view.SetRootText(m_rootPath); }
    void OnImportStarted(ImportRun run);
    void EndImport();
    void ShowImportProgress();
    void OnFileListProgress(std::size_t done, std::size_t total, const std::string& name);
    void OnFileListEnded(const FileListResult& result);
    void ReportFileList(const FileListResult& result);
    void AppendLine(const TallyLine& line);
    // Gives the buttons back, the focus to the one that started the command,
    // and ends the dialog if closing was waiting for the run.
    void EndCommand(const std::string& summary);

    DialogView& m_view;
    WorkerLauncher m_launch;
    // The root folder, canonical, as loaded from root.folder or browsed.
    std::string m_rootPath;
    // The source folder of the last import, canonical.
    std::string m_sourceRoot;
    // The entries of exclude.list, read at start-up.
    std::vector<std::string> m_excludeList;
    std::string m_excludeListProblem;  // exclude.list could not be read whole

    // Declared before the threads: it outlives every one of them.
    GuiMessageQueue m_window;
    // The last import, whole until its last worker has ended; its lists
    // stay until the next import.
    std::unique_ptr<ImportRun> m_run;
    // The running import's tally; empty when no import runs.
    std::optional<ImportTally> m_tally;
    FileListRun m_listRun;
    // The import's scan, on a thread of its own; joined once it hands the run over.
    std::jthread m_scanThread;
    bool m_scanning = false;

    // The command whose run is going on; its button gets the focus back.
    std::optional<DialogCommand> m_startedBy;
    // Closing waits for the run to end; then the dialog ends with this result.
    bool m_closeWhenIdle = false;
    int m_closeResult = 0;
    std::chrono::steady_clock::time_point m_listStarted;
};

}  // namespace kelvarin
