// `import`: the dialog's Import File for build pipelines. It starts the same
// workers through the same core (four, as the dialog, unless --workers says
// otherwise) and plays the dialog's part on the main thread: it takes their
// messages from a queue until every worker's WM_IMPORT_FINISHED, then joins
// the workers; it prints the log lines, keeps
// a progress line on a terminal, and ends with one summary line and an exit
// status that tells a pipeline whether everything was done.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/changed_list.h"
#include "cli/command.h"
#include "cli/json_report.h"
#include "cli/progress_line.h"
#include "cli/root_option.h"
#include "fileio/file_status.h"
#include "import/deal.h"
#include "import/import_messages.h"
#include "import/log_line.h"
#include "import/run_summary.h"
#include "import/start_import.h"
#include "import/stored_path.h"
#include "platform/queued_message_window.h"
#include "scan/client_names.h"
#include "settings/settings_files.h"

namespace kelvarin::cli {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kGreen[] = "\x1b[32m";
constexpr char kRed[] = "\x1b[31m";
constexpr char kYellow[] = "\x1b[33m";
constexpr char kPlain[] = "\x1b[0m";
constexpr double kBytesPerMegabyte = 1e6;
// Without messages (one large file per worker) the progress line is still
// redrawn this often.
constexpr std::chrono::milliseconds kRedrawWait{250};
constexpr std::chrono::milliseconds kBatchPause{2};
// A rate over the first moments says little (the first chunk is read at
// once); none is shown before this.
constexpr double kRateAfterSeconds = 0.5;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Follows the workers' messages: what each worker is on, what has been done,
// and the lines and counts that the user sees.
class ImportReport {
public:
    ImportReport(const std::string& sourceRoot, const WorkerFileLists& workerFiles,
                 const WorkerFileSizes& fileSizes, const FailureReasons& failureReasons,
                 const ImportProgress& progress, bool dryRun)
        : m_sourceRoot(sourceRoot),
          m_workerFiles(workerFiles),
          m_failureReasons(failureReasons),
          m_actions(workerFiles.size()),
          m_dryRun(dryRun),
          m_colour(::isatty(STDOUT_FILENO) == 1),
          m_sizes(fileSizes),
          m_current(workerFiles.size(), kNoFile),
          m_run(progress) {
        for (std::size_t k = 0; k < workerFiles.size(); ++k) {
            for (const std::uint64_t size : m_sizes[k]) {
                m_totalBytes += size;
                ++m_totalFiles;
            }
            m_actions[k].assign(workerFiles[k].size(), kNotBegun);
        }
    }

    // No message for a while: the progress line is redrawn all the same.
    void Tick() { DrawProgress(); }

    // --json: the lines go into `json` instead; --quiet: only problems.
    void SetOutput(JsonReport* json, bool quiet) {
        m_json = json;
        m_quiet = quiet;
    }

    void ReportRefused(const RefusedFile& file) {
        ++m_refused;
        PrintLine(RefusedFileLine(file, m_sourceRoot), kYellow);
        if (m_json != nullptr) {
            const std::string name(DisplayName(file.path, m_sourceRoot));
            m_json->AddFile(PublishedName(name), StoredRelativePath(name), "refused",
                            FileSize(file.path), RefusalText(file.reason));
        }
        m_problems.push_back(RefusedFileLine(file, m_sourceRoot));
    }

    void ReportWorkerNotStarted(const WorkerNotStarted& worker) {
        m_progress.Erase();
        std::fprintf(stderr, "kelvarin-cli: %s\n", worker.message.c_str());
        m_notStarted += m_workerFiles[static_cast<std::size_t>(worker.workerIndex)].size();
        m_actions[static_cast<std::size_t>(worker.workerIndex)].assign(
            m_workerFiles[static_cast<std::size_t>(worker.workerIndex)].size(), kNotStarted);
        m_notStartedReason = worker.message;
        m_problems.push_back(worker.message);
    }

    // Returns true for WM_IMPORT_FINISHED.
    bool Handle(const PostedMessage& posted) {
        const std::int32_t workerIndex = MessageWorkerIndex(posted.lParam);
        switch (posted.message) {
            case WM_IMPORT_PROGRESS:
                FinishCurrentFile(workerIndex);
                if (ValidWorker(workerIndex)) {
                    m_current[static_cast<std::size_t>(workerIndex)] = posted.wParam;
                }
                NoteAction(posted, kBegun);
                ++m_begun;
                break;
            case WM_IMPORT_ADDED:
                ++m_added;
                NoteAction(posted, posted.message);
                if (!m_quiet) {
                    PrintMessageLine(posted, kGreen);
                }
                break;
            case WM_IMPORT_UPDATED:
                ++m_updated;
                NoteAction(posted, posted.message);
                if (!m_quiet) {
                    PrintMessageLine(posted, kRed);
                }
                break;
            case WM_IMPORT_FAILED:
                ++m_failed;
                NoteAction(posted, posted.message);
                // The speed counts the bytes processed, not those given up on.
                if (ValidWorker(workerIndex) &&
                    posted.wParam < m_sizes[static_cast<std::size_t>(workerIndex)].size()) {
                    m_bytesFailed += m_sizes[static_cast<std::size_t>(workerIndex)][posted.wParam];
                }
                PrintMessageLine(posted, kYellow);
                m_problems.push_back(MessageLine(posted));
                break;
            case WM_IMPORT_FINISHED:
                FinishCurrentFile(workerIndex);
                return true;
            default:
                break;
        }
        DrawProgress();
        return false;
    }

    void PrintSummary(double seconds) {
        m_progress.Erase();
        // Every file begun gets at most one of ADDED, UPDATED and FAILED.
        const std::uint64_t unchanged = m_begun - m_added - m_updated - m_failed;
        // The speed counts the bytes processed, not those given up on.
        const std::uint64_t done = BytesDone();
        const double rate = seconds > 0
                                ? static_cast<double>(done - std::min(done, m_bytesFailed)) /
                                      kBytesPerMegabyte / seconds
                                : 0.0;
        if (m_json != nullptr) {
            return JsonSummary(unchanged, seconds, rate);
        }
        ImportCounts counts;
        counts.added = m_added;
        counts.updated = m_updated;
        counts.unchanged = unchanged;
        counts.refused = m_refused;
        counts.failed = m_failed + m_notStarted;
        counts.seconds = seconds;
        counts.megabytesPerSecond = rate;
        counts.dryRun = m_dryRun;
        std::printf("%s\n", ImportSummaryLine(counts).c_str());
        // Problems are repeated last, where they cannot scroll away.
        for (std::string& problem : m_problems) {
            if (problem.ends_with("\r\n")) {
                problem.resize(problem.size() - 2);
            }
            std::printf("  %s\n", problem.c_str());
        }
        std::fflush(stdout);
    }

    void JsonSummary(std::uint64_t unchanged, double seconds, double rate) {
        // Every dealt file in scan order: with n workers entry i of list k is
        // entry n * i + k.
        for (std::size_t index = 0; index < m_totalFiles; ++index) {
            const std::size_t k = index % m_workerFiles.size(), i = index / m_workerFiles.size();
            const std::string& path = m_workerFiles[k][i];
            const std::string name(DisplayName(path, m_sourceRoot));
            const unsigned action = m_actions[k][i];
            const std::string reason = action == WM_IMPORT_FAILED ? m_failureReasons[k][i]
                                       : action == kNotStarted    ? m_notStartedReason
                                                                  : std::string();
            m_json->AddFile(PublishedName(name), StoredRelativePath(name), ActionName(action),
                            m_sizes[k][i], reason);
        }
        nlohmann::ordered_json& summary = m_json->Summary();
        summary["dryRun"] = m_dryRun;
        summary["added"] = m_added;
        summary["updated"] = m_updated;
        summary["unchanged"] = unchanged;
        summary["refused"] = m_refused;
        summary["failed"] = m_failed + m_notStarted;
        summary["seconds"] = seconds;
        summary["megabytesPerSecond"] = rate;
    }

    // The stored files written (or, dry, to be written), below the root, in
    // scan order.
    std::vector<std::string> WrittenStoredFiles() const {
        // With n workers entry i of list k is entry n * i + k of the scan.
        std::vector<std::string> paths;
        for (std::size_t index = 0; index < m_totalFiles; ++index) {
            const std::size_t k = index % m_workerFiles.size(), i = index / m_workerFiles.size();
            const unsigned action = m_actions[k][i];
            if (action == WM_IMPORT_ADDED || action == WM_IMPORT_UPDATED) {
                paths.push_back(StoredRelativePath(DisplayName(m_workerFiles[k][i], m_sourceRoot)));
            }
        }
        return paths;
    }

    bool EverythingDone() const { return m_failed == 0 && m_notStarted == 0 && m_refused == 0; }

private:
    static constexpr std::size_t kNoFile = SIZE_MAX;

    bool ValidWorker(std::int32_t workerIndex) const {
        return workerIndex >= 0 && static_cast<std::size_t>(workerIndex) < m_workerFiles.size();
    }

    static constexpr unsigned kNotBegun = 0, kBegun = 1, kNotStarted = 2;

    static const char* ActionName(unsigned action) {
        switch (action) {
            case WM_IMPORT_ADDED:
                return "added";
            case WM_IMPORT_UPDATED:
                return "updated";
            case WM_IMPORT_FAILED:
            case kNotStarted:
                return "failed";
            case kBegun:
                return "unchanged";
            default:
                return "not-begun";
        }
    }

    void NoteAction(const PostedMessage& posted, unsigned action) {
        const std::int32_t k = MessageWorkerIndex(posted.lParam);
        if (ValidWorker(k) && posted.wParam < m_actions[static_cast<std::size_t>(k)].size()) {
            m_actions[static_cast<std::size_t>(k)][posted.wParam] = action;
        }
    }

    std::uint64_t BytesDone() const { return m_run.bytesDone.load(std::memory_order_relaxed); }

    void FinishCurrentFile(std::int32_t workerIndex) {
        if (!ValidWorker(workerIndex)) {
            return;
        }
        const auto k = static_cast<std::size_t>(workerIndex);
        if (m_current[k] != kNoFile && m_current[k] < m_sizes[k].size()) {
            ++m_filesDone;
        }
        m_current[k] = kNoFile;
    }

    std::string MessageLine(const PostedMessage& posted) const {
        const std::string path = LookUpWorkerFile(m_workerFiles, posted.wParam, posted.lParam);
        const std::string reason =
            posted.message == WM_IMPORT_FAILED
                ? LookUpWorkerFile(m_failureReasons, posted.wParam, posted.lParam)
                : std::string();
        return ImportLogLine(posted.message, path, m_sourceRoot, posted.lParam, reason);
    }

    void PrintMessageLine(const PostedMessage& posted, const char* colour) {
        PrintLine(MessageLine(posted), colour);
    }

    // Prints a log line, its "\r\n" written as the terminal's "\n".
    void PrintLine(std::string line, const char* colour) {
        if (m_json != nullptr) {
            return;  // standard output holds the document alone
        }
        if (line.ends_with("\r\n")) {
            line.resize(line.size() - 2);
        }
        m_progress.Erase();
        if (m_colour) {
            std::printf("%s%s%s\n", colour, line.c_str(), kPlain);
        } else {
            std::printf("%s\n", line.c_str());
        }
        if (m_progress.Enabled()) {
            std::fflush(stdout);
            DrawProgress();
        }
    }

    void DrawProgress() {
        m_progress.Show([this] {
            const double seconds = SecondsSince(m_start);
            const std::uint64_t bytesDone = std::min(BytesDone(), m_totalBytes);
            const double bytesPerSecond =
                seconds >= kRateAfterSeconds ? static_cast<double>(bytesDone) / seconds : 0;
            std::string left = "--";
            if (bytesPerSecond > 0) {
                left = std::to_string(static_cast<long long>(
                           static_cast<double>(m_totalBytes - bytesDone) / bytesPerSecond + 0.5)) +
                       " s left";
            }
            char text[160];
            std::snprintf(text, sizeof text, "%llu/%llu files, %.1f MB/s, %s",
                          static_cast<unsigned long long>(m_filesDone),
                          static_cast<unsigned long long>(m_totalFiles),
                          bytesPerSecond / kBytesPerMegabyte, left.c_str());
            return std::string(text);
        });
    }

    const std::string& m_sourceRoot;
    const WorkerFileLists& m_workerFiles;
    const FailureReasons& m_failureReasons;
    std::vector<std::string> m_problems;           // failed and refused files, for the summary
    std::vector<std::vector<unsigned>> m_actions;  // per worker and file: its message
    std::string m_notStartedReason;
    JsonReport* m_json = nullptr;
    bool m_quiet = false;
    const bool m_dryRun;
    const bool m_colour;
    const Clock::time_point m_start = Clock::now();
    ProgressLine m_progress;
    const WorkerFileSizes& m_sizes;      // as the run measured them at its start
    std::vector<std::size_t> m_current;  // per worker: the file it is on
    std::uint64_t m_totalBytes = 0;
    std::uint64_t m_totalFiles = 0;
    // The bytes the workers have been through, inside files too: the
    // progress line moves during a large file.
    const ImportProgress& m_run;
    std::uint64_t m_bytesFailed = 0;  // of files whose import failed
    std::uint64_t m_filesDone = 0;
    std::uint64_t m_begun = 0;
    std::uint64_t m_added = 0;
    std::uint64_t m_updated = 0;
    std::uint64_t m_failed = 0;      // WM_IMPORT_FAILED messages
    std::uint64_t m_notStarted = 0;  // files of workers that could not be started
    std::uint64_t m_refused = 0;
};

class ImportCommand final : public Command {
public:
    explicit ImportCommand(CLI::App& app)
        : Command(app.add_subcommand("import", "Import a source folder into the root folder")) {
        CLI::App* sub = app.get_subcommand("import");
        sub->add_option("SOURCE", m_source, "Folder of new or changed client files")->required();
        m_rootOption = sub->add_option(
            "--root", m_root, "Root folder to import into (default: the one in ./root.folder)");
        sub->add_option("--workers", m_workers,
                        "Workers that compress at once, 1 to 64 (default 4, as the dialog). "
                        "Files are dealt round-robin and each worker's output depends on the "
                        "files before it, so the stored bytes depend on this number: builds "
                        "that must give the same bytes use the same number")
            ->check(CLI::Range(1, kMaxImportWorkerCount));
        sub->add_flag("--dry-run", m_dryRun,
                      "Say what would be added or updated, and write nothing");
        sub->add_flag("--json", m_jsonWanted,
                      "Make standard output one JSON document: every file with its published "
                      "name, stored path, action, bytes and reason, then the summary");
        sub->add_flag("--quiet", m_quiet, "Print only the summary and the problems");
        sub->add_option("--changed", m_changed,
                        "Write the stored files this run wrote (added and updated) to FILE, one "
                        "path below the root per line in scan order, for rsync --files-from; "
                        "with --dry-run, those it would write");
    }

    int Run() override {
        const bool rootGiven = m_rootOption->count() > 0;
        std::string problem;
        const std::string root = CommandRoot(m_rootOption, m_root, problem);
        if (!problem.empty()) {
            std::fprintf(stderr, "kelvarin-cli: import refused: %s\n", problem.c_str());
            return kExitRefused;
        }

        // Declared before the run: a worker may still be returning from
        // PostMessage after its last message was taken, until it is joined.
        QueuedMessageWindow window;
        ImportOptions options;
        options.dryRun = m_dryRun;
        options.workerCount = m_workers;
        const Clock::time_point start = Clock::now();
        ImportRun run = StartImport(m_source, root, window, options);
        if (!run.Started()) {
            std::fprintf(stderr, "kelvarin-cli: import refused: %s\n", run.message.c_str());
            if (run.refusal == ImportRefusal::kNoRootFolder && !rootGiven) {
                std::fprintf(stderr, "kelvarin-cli: no %s in this folder; pass --root DIR\n",
                             kRootFolderFile);
            }
            return kExitRefused;
        }

        for (const std::string& note : RunNotes(run.findings)) {
            std::fprintf(stderr, "kelvarin-cli: %s\n", note.c_str());
        }
        ImportReport report(run.sourceRoot, *run.workerFiles, run.fileSizes, *run.failureReasons,
                            *run.progress, m_dryRun);
        std::optional<JsonReport> json;
        if (m_jsonWanted) {
            json.emplace("import");
        }
        report.SetOutput(json ? &*json : nullptr, m_quiet);
        for (const RefusedFile& file : run.refusedFiles) {
            report.ReportRefused(file);
        }
        for (const WorkerNotStarted& worker : run.workersNotStarted) {
            report.ReportWorkerNotStarted(worker);
        }
        std::size_t finished = 0;
        std::deque<PostedMessage> batch;
        while (finished < run.workerFiles->size()) {
            window.TakeAllFor(kRedrawWait, batch);
            if (batch.empty()) {
                report.Tick();
            }
            for (const PostedMessage& posted : batch) {
                finished += report.Handle(posted) ? 1 : 0;
            }
            // Messages come in bursts from every worker: taken together a
            // few milliseconds apart, they cost the workers far fewer
            // wake-ups of this thread than one by one.
            if (finished < run.workerFiles->size()) {
                std::this_thread::sleep_for(kBatchPause);
            }
        }
        run.workers.Join();
        report.PrintSummary(SecondsSince(start));
        int status = report.EverythingDone() ? kExitOk : kExitFailed;
        if (!m_changed.empty()) {
            const int written = WriteChangedList(m_changed, report.WrittenStoredFiles());
            status = written != kExitOk ? written : status;
        }
        return json ? json->Print(status) : status;
    }

private:
    std::string m_source;
    std::string m_root;
    CLI::Option* m_rootOption = nullptr;
    int m_workers = kImportWorkerCount;
    bool m_dryRun = false;
    bool m_jsonWanted = false;
    bool m_quiet = false;
    std::string m_changed;
};

}  // namespace

std::unique_ptr<Command> AddImportCommand(CLI::App& app) {
    return std::make_unique<ImportCommand>(app);
}

}  // namespace kelvarin::cli
