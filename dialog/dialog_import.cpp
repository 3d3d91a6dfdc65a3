// The dialog's Import File: the scan on a thread of its own, then the run's
// worker messages through the import's tally, a bounded batch per wake-up,
// and the run's end once its last worker has finished.
#include <algorithm>
#include <chrono>
#include <memory>
#include <system_error>
#include <utility>

#include "dialog/dialog_texts.h"
#include "dialog/main_dialog.h"
#include "import/import_messages.h"
#include "scan/client_names.h"

namespace kelvarin {

namespace {

// How often the bar reads the bytes done: often enough to move smoothly,
// seldom enough to cost nothing.
constexpr int kProgressIntervalMs = 100;
// The most worker messages handled in one pass of the event loop, and the
// time after which a pass stops taking more batches: input waits at most
// about that long however large the backlog.
constexpr std::size_t kMessageBatch = 512;
constexpr std::chrono::milliseconds kMessageSlice{15};

std::string Percent(std::uint64_t done, std::uint64_t total) {
    const std::uint64_t percent =
        total == 0 ? 100 : std::min<std::uint64_t>(done, total) * 100 / total;
    return std::to_string(percent) + "%";
}

}  // namespace

const MainDialog::MessageMapEntry MainDialog::kMessageMap[] = {
    {WM_IMPORT_UPDATED, &MainDialog::OnImportUpdated},
    {WM_IMPORT_ADDED, &MainDialog::OnImportAdded},
    {WM_IMPORT_PROGRESS, &MainDialog::OnImportProgress},
    {WM_IMPORT_FINISHED, &MainDialog::OnImportFinished},
    {WM_IMPORT_FAILED, &MainDialog::OnImportFailed},
    {WM_IMPORT_ABANDONED, &MainDialog::OnImportAbandoned},
};

void MainDialog::OnImportFile() {
    if (Busy()) {
        return;
    }
    const std::optional<std::string> chosen = m_view.ChooseFolder(kChooseFolderTitle, m_sourceRoot);
    if (!chosen) {
        return;
    }
    // Disabled at once: the scan of a large tree takes a while.
    m_startedBy = DialogCommand::kImport;
    m_view.EnableCommands(false);
    m_scanning = true;
    m_view.SetStatus("Collecting the files of " + *chosen + " ...");
    m_view.ShowProgress(0, 0);
    ImportOptions options;
    options.launch = m_launch;
    try {
        m_scanThread = std::jthread([this, source = *chosen, root = m_rootPath, options] {
            auto run = std::make_shared<ImportRun>(StartImport(source, root, m_window, options));
            m_view.PostToGui([this, run] { OnImportStarted(std::move(*run)); });
        });
    } catch (const std::system_error& error) {
        m_scanning = false;
        m_view.HideProgress();
        EndCommand(std::string("The import could not be started: ") + error.what());
    }
}

void MainDialog::OnImportStarted(ImportRun run) {
    m_scanThread.join();
    m_scanning = false;
    if (!run.Started()) {
        m_view.HideProgress();
        m_view.SetStatus({});
        EndCommand({});
        m_view.ShowMessage(run.message);
        return;
    }
    // Before anything below can run a message loop: the workers' messages
    // are handled from then on, against this run's lists.
    m_run = std::make_unique<ImportRun>(std::move(run));
    m_tally.emplace(*m_run, false);
    m_sourceRoot = m_run->sourceRoot;
    if (m_closeWhenIdle) {
        m_run->progress->stopRequested = true;
    }
    ShowImportProgress();
    m_view.StartTimer(kProgressIntervalMs);
    for (const TallyLine& line : m_tally->OpeningLines()) {
        m_view.AppendLine(line.text, kUpdatedColor, true);
    }
    // The messages posted during the scan waited for the lists.
    const std::vector<std::string> notStarted = m_tally->NotStartedMessages();
    HandleWaitingMessages();
    for (const std::string& message : notStarted) {
        m_view.ShowMessage(message);
    }
}

void MainDialog::HandleWaitingMessages() {
    if (m_scanning) {
        return;  // taken once the run's lists are here (OnImportStarted)
    }
    const auto sliceEnd = std::chrono::steady_clock::now() + kMessageSlice;
    std::vector<PostedMessage> batch;
    bool more = true;
    while (more && std::chrono::steady_clock::now() < sliceEnd) {
        more = m_window.Take(kMessageBatch, batch);
        for (const PostedMessage& message : batch) {
            DispatchMessage(message.message, message.wParam, message.lParam);
        }
    }
    if (more) {
        // The rest after the input and paint events that are waiting.
        m_view.PostToGui([this] { HandleWaitingMessages(); });
    }
}

void MainDialog::DispatchMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    for (const MessageMapEntry& entry : kMessageMap) {
        if (entry.message == message) {
            (this->*entry.handler)(wParam, lParam);
            return;
        }
    }
}

void MainDialog::OnImportUpdated(std::uintptr_t fileIndex, std::intptr_t workerIndex) {
    TakeWorkerMessage(WM_IMPORT_UPDATED, fileIndex, workerIndex);
}

void MainDialog::OnImportAdded(std::uintptr_t fileIndex, std::intptr_t workerIndex) {
    TakeWorkerMessage(WM_IMPORT_ADDED, fileIndex, workerIndex);
}

void MainDialog::OnImportFailed(std::uintptr_t fileIndex, std::intptr_t workerIndex) {
    TakeWorkerMessage(WM_IMPORT_FAILED, fileIndex, workerIndex);
}

void MainDialog::OnImportAbandoned(std::uintptr_t fileIndex, std::intptr_t workerIndex) {
    TakeWorkerMessage(WM_IMPORT_ABANDONED, fileIndex, workerIndex);
}

void MainDialog::OnImportProgress(std::uintptr_t fileIndex, std::intptr_t workerIndex) {
    // The status line shows it at the next tick of the timer: a line edit
    // laid out for every small file would cost more than the file.
    TakeWorkerMessage(WM_IMPORT_PROGRESS, fileIndex, workerIndex);
}

void MainDialog::OnImportFinished(std::uintptr_t wParam, std::intptr_t workerIndex) {
    TakeWorkerMessage(WM_IMPORT_FINISHED, wParam, workerIndex);
    if (m_tally && m_tally->Finished()) {
        EndImport();
    }
}

void MainDialog::TakeWorkerMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (!m_tally) {
        return;  // no import runs: the message names nothing
    }
    if (const std::optional<TallyLine> line = m_tally->Take(message, wParam, lParam)) {
        AppendLine(*line);
    }
}

void MainDialog::AppendLine(const TallyLine& line) {
    m_view.AppendLine(line.text, ColorOf(line.kind), ScrollsTo(line.kind));
}

void MainDialog::EndImport() {
    m_view.StopTimer();
    m_view.HideProgress();
    // Each worker has posted its last message, so none waits for a box on
    // this thread any more; this waits only for them to return, then lets
    // go of the root.
    m_run->End();
    const ImportTally tally = std::move(*m_tally);
    m_tally.reset();
    if (m_run->progress->stopRequested) {
        AppendLine({"Stopped: " + std::to_string(tally.FilesNotBegun()) + " files were not begun.",
                    LineKind::kSummary});
    }
    const std::string summary = tally.SummaryLine(m_run->Seconds());
    AppendLine({summary, LineKind::kSummary});
    for (const std::string& problem : tally.Problems()) {
        AppendLine({problem, LineKind::kProblem});
    }
    EndCommand(summary);
}

void MainDialog::OnTimer() {
    ShowImportProgress();
}

void MainDialog::ShowImportProgress() {
    if (!m_tally) {
        return;
    }
    const ImportProgress& progress = *m_run->progress;
    // The workers count inside files too, so a large file moves the bar.
    m_view.ShowProgress(progress.bytesDone.load(std::memory_order_relaxed), progress.bytesTotal);
    if (!m_tally->CurrentFile().empty()) {
        const std::uint64_t inFile =
            progress.inFile[m_tally->CurrentWorker()].load(std::memory_order_relaxed);
        m_view.SetStatus(ShownName(m_tally->CurrentFile()) + "  " +
                         Percent(inFile, m_tally->CurrentFileSize()));
    }
}

}  // namespace kelvarin
