// `import`: the dialog's Import File for build pipelines. It starts the same
// workers through the same core (four, as the dialog, unless --workers says
// otherwise) and plays the dialog's part on the main thread: it takes their
// messages from a queue until every worker's WM_IMPORT_FINISHED, then ends
// the run. What the messages mean is the import's tally; this file prints
// it: the log lines, a progress line on a terminal, one summary line, and
// an exit status that tells a pipeline whether everything was done.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
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
#include "cli/print.h"
#include "cli/progress_line.h"
#include "cli/root_option.h"
#include "import/import_messages.h"
#include "import/import_tally.h"
#include "import/start_import.h"
#include "platform/console_text.h"
#include "platform/queued_message_window.h"
#include "platform/stop_signals.h"
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

const char* SignalName(int signal) {
    return signal == SIGINT ? "SIGINT" : "SIGTERM";
}

const char* ColourOf(LineKind kind) {
    switch (kind) {
        case LineKind::kAdded:
            return kGreen;
        case LineKind::kUpdated:
            return kRed;
        default:
            return kYellow;
    }
}

// Prints what the run's tally says: the log lines (coloured on a terminal),
// a progress line on standard error, and at the end the summary, the
// problems again, or the --json document.
class ImportPrinter {
public:
    ImportPrinter(const ImportRun& run, bool dryRun, JsonReport* json, bool quiet)
        : m_tally(run, dryRun),
          m_run(*run.progress),
          m_json(json),
          m_quiet(quiet),
          m_colour(IsTerminal(stdout)) {
        for (const TallyLine& line : m_tally.OpeningLines()) {
            if (line.kind == LineKind::kNote) {
                PrintError("kelvarin-cli: %s\n", line.text.c_str());
            } else {
                PrintLine(line);
            }
        }
        for (const std::string& note : m_tally.NotStartedMessages()) {
            PrintError("kelvarin-cli: %s\n", note.c_str());
        }
    }

    const ImportTally& Tally() const { return m_tally; }

    // No message for a while: the progress line is redrawn all the same.
    void Tick() { DrawProgress(); }

    void Take(const PostedMessage& posted) {
        if (const std::optional<TallyLine> line =
                m_tally.Take(posted.message, posted.wParam, posted.lParam)) {
            PrintLine(*line);
        }
        DrawProgress();
    }

    void PrintEnd(double seconds, int stopSignal) {
        m_progress.Erase();
        if (stopSignal != 0) {
            PrintError(
                "kelvarin-cli: stopped by %s: %llu files given up and %llu not begun "
                "were left as they were; only the files reported were put in place\n",
                SignalName(stopSignal), static_cast<unsigned long long>(m_tally.FilesAbandoned()),
                static_cast<unsigned long long>(m_tally.FilesNotBegun()));
        }
        if (m_json != nullptr) {
            for (const FileReport& file : m_tally.Files()) {
                m_json->AddFile(file.published, file.stored, FateName(file.fate), file.bytes,
                                file.reason,
                                file.fate == FileFate::kRefused ? file.source : std::string());
            }
            const ImportCounts counts = m_tally.Counts(seconds);
            nlohmann::ordered_json& summary = m_json->Summary();
            summary["dryRun"] = counts.dryRun;
            summary["added"] = counts.added;
            summary["updated"] = counts.updated;
            summary["unchanged"] = counts.unchanged;
            summary["refused"] = counts.refused;
            summary["failed"] = counts.failed;
            summary["seconds"] = counts.seconds;
            summary["megabytesPerSecond"] = counts.megabytesPerSecond;
            if (stopSignal != 0) {
                summary["stopped"] = SignalName(stopSignal);
            }
            return;
        }
        Print("%s\n", m_tally.SummaryLine(seconds).c_str());
        // Problems are repeated last, where they cannot scroll away.
        for (const std::string& problem : m_tally.Problems()) {
            Print("  %s\n", problem.c_str());
        }
        std::fflush(stdout);
    }

private:
    // Prints a log line, its "\r\n" written as the terminal's "\n".
    void PrintLine(const TallyLine& line) {
        if (m_json != nullptr || (m_quiet && line.kind != LineKind::kProblem)) {
            return;  // standard output holds the document alone
        }
        std::string_view text = line.text;
        if (text.ends_with("\r\n")) {
            text.remove_suffix(2);
        }
        m_progress.Erase();
        const int length = static_cast<int>(text.size());
        if (m_colour) {
            Print("%s%.*s%s\n", ColourOf(line.kind), length, text.data(), kPlain);
        } else {
            Print("%.*s\n", length, text.data());
        }
        if (m_progress.Enabled()) {
            std::fflush(stdout);
            DrawProgress();
        }
    }

    void DrawProgress() {
        m_progress.Show([this] {
            const double seconds = SecondsSince(m_start);
            const std::uint64_t total = m_run.bytesTotal;
            const std::uint64_t bytesDone =
                std::min(m_run.bytesDone.load(std::memory_order_relaxed), total);
            const double bytesPerSecond =
                seconds >= kRateAfterSeconds ? static_cast<double>(bytesDone) / seconds : 0;
            std::string left = "--";
            if (bytesPerSecond > 0) {
                left = std::to_string(static_cast<long long>(
                           static_cast<double>(total - bytesDone) / bytesPerSecond + 0.5)) +
                       " s left";
            }
            char text[160];
            std::snprintf(text, sizeof text, "%llu/%llu files, %.1f MB/s, %s",
                          static_cast<unsigned long long>(m_tally.FilesDone()),
                          static_cast<unsigned long long>(m_tally.FilesDealt()),
                          bytesPerSecond / kBytesPerMegabyte, left.c_str());
            return std::string(text);
        });
    }

    ImportTally m_tally;
    // The bytes the workers have been through, inside files too: the
    // progress line moves during a large file.
    const ImportProgress& m_run;
    JsonReport* m_json;
    const bool m_quiet;
    const bool m_colour;
    const Clock::time_point m_start = Clock::now();
    ProgressLine m_progress;
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
            return Refused(problem, false);
        }

        // Declared before the run: a worker may still be returning from
        // PostMessage after its last message was taken, until it is joined.
        QueuedMessageWindow window;
        // The first SIGINT or SIGTERM stops the run, not the process, so
        // that what was put in place is still reported.
        std::atomic<int> stopSignal{0};
        const ScopedStopHook stopHook([&stopSignal, &window](int signal) {
            stopSignal.store(signal);
            window.PostMessage(kWakeUp, 0, 0);
        });
        ImportOptions options;
        options.dryRun = m_dryRun;
        options.workerCount = m_workers;
        if (!m_changed.empty()) {
            options.beforeWorkers = [this] { WithdrawChangedList(m_changed); };
        }
        ImportRun run = StartImport(m_source, root, window, options);
        if (!run.Started()) {
            return Refused(run.message, run.refusal == ImportRefusal::kNoRootFolder && !rootGiven);
        }

        std::optional<JsonReport> json;
        if (m_jsonWanted) {
            json.emplace("import");
        }
        ImportPrinter printer(run, m_dryRun, json ? &*json : nullptr, m_quiet);
        FollowWorkers(window, printer, stopSignal, *run.progress);
        run.End();
        printer.PrintEnd(run.Seconds(), stopSignal.load());
        return Finish(printer.Tally(), stopSignal.load(), json ? &*json : nullptr);
    }

private:
    // Wakes the main thread for a stop; the tally ignores it.
    static constexpr unsigned kWakeUp = kWmUser + 1;

    int Refused(const std::string& reason, bool noRootFolderFile) const {
        PrintError("kelvarin-cli: import refused: %s\n", reason.c_str());
        if (noRootFolderFile) {
            PrintError("kelvarin-cli: no %s in this folder; pass --root DIR\n", kRootFolderFile);
        }
        return m_jsonWanted ? JsonReport("import").PrintRefused(reason, kExitRefused)
                            : kExitRefused;
    }

    // The exit status: 128 + the signal for a stopped run, else whether
    // everything was done; a --changed file that cannot be written makes a
    // finished run fail.
    int Finish(const ImportTally& tally, int signal, JsonReport* json) const {
        int status = signal != 0 ? 128 + signal : tally.EverythingDone() ? kExitOk : kExitFailed;
        if (!m_changed.empty()) {
            const int written = WriteChangedList(m_changed, tally.WrittenStoredFiles());
            status = written == kExitOk || signal != 0 ? status : written;
        }
        return json != nullptr ? json->Print(status) : status;
    }

    // Takes the workers' messages until every worker has finished; a stop
    // signal asks the workers to stop.
    static void FollowWorkers(QueuedMessageWindow& window, ImportPrinter& printer,
                              const std::atomic<int>& stopSignal, ImportProgress& progress) {
        std::deque<PostedMessage> batch;
        while (!printer.Tally().Finished()) {
            window.TakeAllFor(kRedrawWait, batch);
            if (stopSignal.load() != 0) {
                progress.RequestAbandon();
            }
            if (batch.empty()) {
                printer.Tick();
            }
            for (const PostedMessage& posted : batch) {
                printer.Take(posted);
            }
            // Messages come in bursts from every worker: taken together a
            // few milliseconds apart, they cost the workers far fewer
            // wake-ups of this thread than one by one.
            if (!printer.Tally().Finished()) {
                std::this_thread::sleep_for(kBatchPause);
            }
        }
    }

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
