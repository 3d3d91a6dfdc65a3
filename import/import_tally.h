// What an import's worker messages mean, for every front end at once: each
// message's log line and its kind, the counts, the problems with their
// reasons, each file's fate and the closing summary. The dialog, the command
// line's import and verify's source check all follow a run through one
// tally, so a run is told the same way wherever it runs; the front ends only
// colour and print what it gives.
//
// A tally is fed on one thread (the receiver's), in the order the messages
// were posted. Messages carry indexes only; one that names no file of the
// run changes nothing but its worker's finish.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/deal.h"
#include "import/import_progress.h"
#include "import/run_summary.h"
#include "import/start_import.h"

namespace kelvarin {

// What became of one source file.
enum class FileFate {
    kNotBegun,    // no worker came to it (a stopped run)
    kAbandoned,   // begun, and given up when the run was stopped; left as it was
    kUnchanged,   // begun, and no verdict: its stored file already held it
    kAdded,       // stored anew
    kUpdated,     // its stored file differed and was rewritten
    kFailed,      // could not be stored; the stored file was left as it was
    kNotStarted,  // its worker's thread could not be started
    kRefused,     // a name the client cannot hold; never dealt
};

// How a line reads to the user: the dialog gives each kind its colour, the
// command line its colour and whether --quiet keeps it.
enum class LineKind {
    kAdded,    // a stored file written anew
    kUpdated,  // a stored file rewritten
    kProblem,  // a file refused or failed, a worker not started
    kNote,     // what the run met besides its files
    kSummary,  // a run's closing words
};

struct TallyLine {
    std::string text;  // a log line ends in "\r\n"; notes and summaries have no line end
    LineKind kind = LineKind::kNote;
};

// One file as reports name it.
struct FileReport {
    std::string path;       // the real path, as the scan gave it
    std::string source;     // its path below the source folder, case kept ("Data/A.TXT")
    std::string published;  // its name in the list ("data\a.txt")
    std::string stored;     // its stored file below the root ("data/a.txt.aup")
    FileFate fate = FileFate::kNotBegun;
    std::uint64_t bytes = 0;  // its size when the run started
    std::string reason;       // why it failed or was refused
};

// "added", "updated", "unchanged", "failed" (not started too), "refused",
// "not-begun", "abandoned": the words --json uses.
const char* FateName(FileFate fate);

class ImportTally {
public:
    // Follows `run` from its start. `dryRun` says the summary in the words
    // of a run that writes nothing. The tally keeps its own share of the
    // run's lists, so it may outlive the run.
    // REQUIRES: run.Started().
    ImportTally(const ImportRun& run, bool dryRun);

    // The lines a run begins with: what it met, then its refused files.
    const std::vector<TallyLine>& OpeningLines() const { return m_openingLines; }

    // Takes one worker message. Returns the line it adds to the log, if any.
    std::optional<TallyLine> Take(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

    // Every worker has posted WM_IMPORT_FINISHED (those never started too).
    bool Finished() const { return m_finishedWorkers >= m_workerFiles->size(); }

    // The file a worker began last, its size and its worker; empty path
    // before the first.
    const std::string& CurrentFile() const { return m_currentFile; }
    std::uint64_t CurrentFileSize() const { return m_currentFileSize; }
    std::size_t CurrentWorker() const { return m_currentWorker; }

    // Files whose worker has gone on to the next one or finished.
    std::uint64_t FilesDone() const { return m_filesDone; }
    std::uint64_t FilesDealt() const { return m_filesDealt; }
    std::uint64_t FilesNotBegun() const;
    std::uint64_t FilesAbandoned() const;

    // The counts so far; `seconds` is the run's time, and the throughput
    // counts the files added, updated or unchanged (not those that failed).
    ImportCounts Counts(double seconds) const;
    std::string SummaryLine(double seconds) const { return ImportSummaryLine(Counts(seconds)); }

    // The refused and failed files and the workers not started, each as its
    // log line (without the line end), in the order they were met.
    const std::vector<std::string>& Problems() const { return m_problems; }
    // Workers whose thread could not be started, in words.
    const std::vector<std::string>& NotStartedMessages() const { return m_notStarted; }

    // Every file: the refused ones first, then the dealt ones in scan order.
    std::vector<FileReport> Files() const;
    // The stored files written (or, dry, to be written), below the root, in
    // scan order.
    std::vector<std::string> WrittenStoredFiles() const;
    // Nothing was refused or failed.
    bool EverythingDone() const;

private:
    FileFate* FateOf(std::uintptr_t fileIndex, std::int32_t worker);
    void FinishCurrentFile(std::int32_t worker);
    std::uint64_t CountOf(FileFate fate) const;
    void AddProblem(std::string line);

    std::string m_sourceRoot;
    std::shared_ptr<const WorkerFileLists> m_workerFiles;
    std::shared_ptr<const FailureReasons> m_failureReasons;
    WorkerFileSizes m_sizes;
    std::vector<RefusedFile> m_refused;
    bool m_dryRun;
    std::vector<std::vector<FileFate>> m_fates;    // per worker and file
    std::vector<std::size_t> m_current;            // per worker: the file it is on
    std::vector<std::string> m_notStartedReasons;  // per worker: why it never started
    std::vector<TallyLine> m_openingLines;
    std::vector<std::string> m_problems;
    std::vector<std::string> m_notStarted;
    std::string m_currentFile;
    std::uint64_t m_currentFileSize = 0;
    std::size_t m_currentWorker = 0;
    std::size_t m_finishedWorkers = 0;
    std::uint64_t m_filesDone = 0;
    std::uint64_t m_filesDealt = 0;
};

}  // namespace kelvarin
