// The dialog's commands, its root folder, the file-list run's report and the
// close protocol. The import's part is in dialog_import.cpp.
#include "dialog/main_dialog.h"

#include <filesystem>
#include <utility>

#include "dialog/dialog_texts.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "filelist/list_encoding.h"
#include "filelist/list_summary.h"
#include "filelist/listed_files.h"
#include "scan/client_names.h"
#include "scan/collect_files.h"
#include "scan/run_notes.h"
#include "settings/settings_files.h"

namespace kelvarin {

MainDialog::MainDialog(DialogView& view, WorkerLauncher launch)
    : m_view(view),
      m_launch(std::move(launch)),
      m_window([this] { m_view.PostToGui([this] { HandleWaitingMessages(); }); }),
      m_listRun(
          view,
          [this](std::size_t done, std::size_t total, const std::string& name) {
              OnFileListProgress(done, total, name);
          },
          [this](const FileListResult& result) { OnFileListEnded(result); }) {}

MainDialog::~MainDialog() = default;

void MainDialog::OnInitDialog() {
    SettingsRead<std::string> root = ReadRootFolderFile();
    std::string problem = std::move(root.problem);
    m_rootPath = std::move(root.value);
    ShowRoot();
    SettingsRead<std::vector<std::string>> excluded = ReadExcludeListFile();
    m_excludeList = std::move(excluded.value);
    m_excludeListProblem = std::move(excluded.problem);
    if (problem.empty()) {
        problem = m_excludeListProblem;
    }
    if (!problem.empty()) {
        // Said once the window is up, so that the user sees what it is about.
        m_view.PostToGui([this, problem] { m_view.ShowMessage(problem); });
    }
}

void MainDialog::OnBrowse() {
    if (const std::optional<std::string> chosen =
            m_view.ChooseFolder(kChooseFolderTitle, m_rootPath)) {
        SetRootFolder(*chosen);
    }
}

void MainDialog::OnRootPathEntered(const std::string& typed) {
    const std::string why = WhyNotAFolder(CanonicalFolder(typed));
    if (typed.empty() || !why.empty()) {
        // The box goes back to the root in use, so it never shows another.
        ShowRoot();
        m_view.ShowMessage("The folder " + typed + " " + (why.empty() ? "does not exist" : why) +
                           "; the root folder stays " +
                           (m_rootPath.empty() ? std::string("unset") : m_rootPath) + ".");
        return;
    }
    SetRootFolder(typed);
}

void MainDialog::SetRootFolder(const std::string& folder) {
    m_rootPath = CanonicalFolder(folder);
    ShowRoot();
    if (const WriteOutcome written = WriteRootFolderFile(m_rootPath, kRootFolderFile); !written) {
        std::error_code error;
        const std::filesystem::path file = std::filesystem::absolute(kRootFolderFile, error);
        m_view.ShowMessage(
            "The root folder could not be saved: " + DescribeWriteFailure(written, file.string()) +
            ". It is used until Kelvarin is closed.");
    }
}

void MainDialog::OnGenerateFileList() {
    if (Busy()) {
        return;
    }
    if (!m_excludeListProblem.empty()) {
        // Pack flags from part of the list would publish wrong flags.
        m_view.ShowMessage("The file list was not written: " + m_excludeListProblem);
        return;
    }
    // Checked before asking where to save: without a root there is nothing to list.
    if (const std::string problem = RootFolderProblem(m_rootPath); !problem.empty()) {
        m_view.ShowMessage(problem);
        return;
    }
    const std::optional<std::string> chosen =
        m_view.ChooseSaveFile(DefaultListPath(m_rootPath), kListSuffix);
    if (!chosen) {
        return;
    }
    FileListRequest request;
    request.rootPath = m_rootPath;
    request.listPath = *chosen;
    request.excludeList = m_excludeList;
    request.listEncoding = ResolveListEncoding(kDefaultListEncoding);
    m_startedBy = DialogCommand::kGenerate;
    m_view.EnableCommands(false);
    m_listStarted = std::chrono::steady_clock::now();
    // Busy until the first file is done: the scan comes first.
    m_view.ShowProgress(0, 0);
    m_listRun.Start(std::move(request));
}

void MainDialog::OnFileListProgress(std::size_t done, std::size_t total, const std::string& name) {
    m_view.SetStatus(ShownName(name));
    m_view.ShowProgress(done, total);
}

void MainDialog::OnFileListEnded(const FileListResult& result) {
    m_view.HideProgress();
    if (result.outcome == FileListOutcome::kStopped) {
        m_view.AppendLine(result.message, kSummaryColor, true);
        EndCommand(result.message);
        return;
    }
    const bool closing = m_closeWhenIdle;
    if (!result.Written()) {
        m_view.AppendLine("failed:" + result.message, kUpdatedColor, true);
        EndCommand(result.message);
        if (!closing) {
            m_view.ShowMessage(result.message);
        }
        return;
    }
    ReportFileList(result);
    if (closing) {
        return;
    }
    std::vector<std::string> notes = RunNotes(result.findings);
    if (!result.mismatchWarning.empty()) {
        notes.push_back(result.mismatchWarning);
    }
    if (!notes.empty()) {
        std::string text = "Note:";
        for (const std::string& note : notes) {
            text += "\n" + note;
        }
        m_view.ShowMessage(text);
    }
    // Said only once the list and its companion are both in place.
    m_view.ShowMessage(kListCompletedText);
}

void MainDialog::ReportFileList(const FileListResult& result) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_listStarted).count();
    const std::string summary = FileListSummaryText(result.fileCount, result.totalBytes, seconds) +
                                ", " + DamagedFilesText(result.damagedFiles.size()) + ": " +
                                result.listPath;
    m_view.AppendLine(summary, kSummaryColor, true);
    for (const std::string& name : result.damagedFiles) {
        m_view.AppendLine("damaged:" + ShownName(name) + " (" + DamagedFileAdvice() + ")",
                          kUpdatedColor, true);
    }
    EndCommand(summary);
}

void MainDialog::OnClose(int result) {
    if (!Busy()) {
        m_view.EndDialog(result);
        return;
    }
    if (m_closeWhenIdle) {
        return;  // already stopping
    }
    const bool import = !m_listRun.Running();
    if (!m_view.AskYesNo(import ? kStopImportQuestion : kStopListQuestion)) {
        return;
    }
    if (!Busy()) {  // the run ended while the question was open
        m_view.EndDialog(result);
        return;
    }
    m_closeWhenIdle = true;
    m_closeResult = result;
    if (import && m_run) {
        m_run->progress->stopRequested = true;
    } else if (!import) {
        m_listRun.RequestStop();
    }
    m_view.AppendLine(import ? kStoppingLine : kListClosingLine, kSummaryColor, true);
}

void MainDialog::EndCommand(const std::string& summary) {
    if (!summary.empty()) {
        m_view.SetStatus(summary);
    }
    m_view.ScrollLog();
    // An import's end gives the buttons back only when no list run is going
    // on, and the reverse.
    if (Busy()) {
        return;
    }
    m_view.EnableCommands(true);
    // Disabling the focused button moved the focus on; it comes back, so
    // that Enter repeats the command instead of landing anywhere else.
    if (m_startedBy) {
        m_view.FocusCommand(*m_startedBy);
    }
    m_startedBy.reset();
    if (m_closeWhenIdle) {
        m_closeWhenIdle = false;
        m_view.EndDialog(m_closeResult);
    }
}

}  // namespace kelvarin
