// Every check that can refuse the whole import runs before anything is
// collected or started. Workers are started one after another, each with its
// own job; a thread that cannot be started stands in for its worker's
// finish so the receiver still counts four.
#include "import/start_import.h"

#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "fileio/file_status.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "fileio/replace_file.h"
#include "import/folders_apart.h"
#include "import/import_messages.h"
#include "import/import_worker.h"
#include "import/linked_folders.h"
#include "import/stored_path.h"
#include "scan/client_names.h"

namespace kelvarin {

namespace {

// The size of a file for the progress and the reports; a file that cannot
// be measured counts 0 (it will fail on its own).
std::uint64_t MeasuredSize(const std::string& file) {
    return RegularFileSize(file).value_or(0);
}

ImportRun Refuse(ImportRefusal refusal, std::string message) {
    ImportRun result;
    result.refusal = refusal;
    result.message = std::move(message);
    return result;
}

// The checks that refuse the whole run before anything is read: the worker
// count and the two folders, each on its own and against the other. Sets
// the canonical folders when it lets the run go on.
std::optional<ImportRun> RefuseFolders(const std::string& chosenFolder, const std::string& rootPath,
                                       const ImportOptions& options, std::string& root,
                                       std::string& source) {
    if (options.workerCount < 1 || options.workerCount > kMaxImportWorkerCount) {
        return Refuse(ImportRefusal::kBadWorkerCount,
                      "The number of workers must be 1 to " +
                          std::to_string(kMaxImportWorkerCount) + ", not " +
                          std::to_string(options.workerCount) + ".");
    }
    RunFolders folders = CheckRunFolders(chosenFolder, rootPath);
    using Problem = RunFolders::Problem;
    switch (folders.problem) {
        case Problem::kNone:
            root = std::move(folders.root);
            source = std::move(folders.source);
            return std::nullopt;
        case Problem::kNoRootFolder:
            return Refuse(ImportRefusal::kNoRootFolder, std::move(folders.message));
        case Problem::kRootMissing:
            return Refuse(ImportRefusal::kRootMissing, std::move(folders.message));
        case Problem::kSourceMissing:
            return Refuse(ImportRefusal::kSourceMissing, std::move(folders.message));
        case Problem::kRootInsideSource:
            return Refuse(ImportRefusal::kRootInsideSource, std::move(folders.message));
        case Problem::kSourceInsideRoot:
            break;
    }
    return Refuse(ImportRefusal::kSourceInsideRoot, std::move(folders.message));
}

// Collects the source whole, or refuses the run: one that cannot see every
// source file would leave stored files stale without a word.
std::optional<ImportRun> CollectSource(const std::string& source, const std::string& root,
                                       ImportRun& run) {
    ScanReport scan;
    if (NestingCheck nesting = CollectSourceApart(source, root, run.allFiles, scan);
        !nesting.Apart()) {
        return Refuse(ImportRefusal::kSourceInsideRoot, std::move(nesting.message));
    }
    if (!scan.unreadable.empty()) {
        return Refuse(ImportRefusal::kUnreadableFolder,
                      "Nothing was imported: " + scan.unreadable.front().Describe() + ".");
    }
    run.findings.loops = std::move(scan.loops);
    run.findings.linksFollowed = scan.linksFollowed;
    return std::nullopt;
}

// Each folder the run's stored files go to, once.
std::set<std::string> StoredFolders(const std::string& root, const ImportRun& run) {
    std::set<std::string> folders;
    for (const std::string& file : run.allFiles) {
        if (const auto relative = RelativeToFolder(file, run.sourceRoot)) {
            folders.insert(DirectoryPart(StoredFilePath(root, *relative)));
        }
    }
    return folders;
}

// Under the lock no other run writes here: what a killed one left goes,
// except behind a link, where no run writes at all.
void RemoveLeftovers(const std::string& root, const std::set<std::string>& folders,
                     const LinkedFolders& linked, ImportRun& run) {
    run.findings.leftoversRemoved += RemoveLeftoverTemporariesIn(root);
    for (const std::string& folder : folders) {
        if (!linked.contains(folder)) {
            run.findings.leftoversRemoved += RemoveLeftoverTemporariesIn(folder);
        }
    }
}

// Deals the files and starts one worker per list. A thread that cannot be
// started stands in for its worker's last message.
void StartWorkers(const std::string& root, MessageWindow& window, const ImportOptions& options,
                  std::shared_ptr<const LinkedFolders> linked, ImportRun& run) {
    auto lists = std::make_shared<WorkerFileLists>(static_cast<std::size_t>(options.workerCount));
    DealFiles(run.allFiles, *lists);
    run.workerFiles = lists;
    auto reasons = std::make_shared<FailureReasons>(lists->size());
    for (std::size_t k = 0; k < reasons->size(); ++k) {
        (*reasons)[k].resize((*lists)[k].size());
    }
    run.failureReasons = reasons;
    for (int k = 0; k < options.workerCount; ++k) {
        const auto list = static_cast<std::size_t>(k);
        auto job = std::make_unique<ImportJob>();
        job->hwndDialog = &window;
        job->rootPath = root;
        job->sourceRoot = run.sourceRoot;
        // Shares ownership of all the lists; points at this worker's one.
        job->files = std::shared_ptr<const std::vector<std::string>>(lists, &(*lists)[list]);
        job->failureReasons = std::shared_ptr<std::vector<std::string>>(reasons, &(*reasons)[list]);
        job->workerIndex = k;
        job->dryRun = options.dryRun;
        job->progress = run.progress;
        job->linkedFolders = linked;
        try {
            run.workers.Add(options.launch(std::move(job)));
        } catch (const std::system_error& error) {
            run.workersNotStarted.push_back({k, "Import worker " + std::to_string(k) +
                                                    " could not be started: " + error.what()});
            // So that the receiver still counts every worker and gives the
            // buttons back.
            window.PostMessage(WM_IMPORT_FINISHED, 0, k);
        }
    }
}

// Measured while the workers already work: they never read the sizes.
void MeasureFiles(ImportRun& run) {
    run.fileSizes.resize(run.workerFiles->size());
    for (std::size_t k = 0; k < run.workerFiles->size(); ++k) {
        for (const std::string& file : (*run.workerFiles)[k]) {
            run.fileSizes[k].push_back(MeasuredSize(file));
            run.progress->bytesTotal += run.fileSizes[k].back();
        }
    }
    for (RefusedFile& file : run.refusedFiles) {
        file.bytes = MeasuredSize(file.path);
    }
}

}  // namespace

std::jthread LaunchWorkerThread(std::unique_ptr<ImportJob> job) {
    std::jthread thread(ImportWorker, job.get());
    // The worker owns the job from here; if the thread was not started, the
    // constructor threw and `job` still frees it.
    job.release();
    return thread;
}

void ImportRun::End() {
    workers.Join();
    lock = RootLock();
    endedAt = ImportClock::now();
}

ImportRun StartImport(const std::string& chosenFolder, const std::string& rootPath,
                      MessageWindow& window, const ImportOptions& options) {
    const ImportClock::time_point startedAt = ImportClock::now();
    std::string root, source;
    if (std::optional<ImportRun> refused =
            RefuseFolders(chosenFolder, rootPath, options, root, source)) {
        return std::move(*refused);
    }
    RootLock lock = RootLock::TryLock(root);
    if (lock.GetState() == RootLock::State::kBusy) {
        return Refuse(ImportRefusal::kRootBusy, lock.BusyMessage(root));
    }
    ImportRun run;
    run.startedAt = startedAt;
    if (std::optional<ImportRun> refused = CollectSource(source, root, run)) {
        return std::move(*refused);
    }
    if (lock.GetState() == RootLock::State::kUnsupported) {
        run.findings.lockWarning = lock.Warning(root);
    }
    run.lock = std::move(lock);
    run.refusedFiles = TakeRefusedFiles(run.allFiles, source, root);
    run.sourceRoot = source;
    const std::set<std::string> folders = StoredFolders(root, run);
    auto linked = std::make_shared<const LinkedFolders>(FoldersBehindLinks(root, folders));
    if (!options.dryRun) {
        RemoveLeftovers(root, folders, *linked, run);
    }
    if (options.beforeWorkers) {
        options.beforeWorkers();
    }
    StartWorkers(root, window, options, std::move(linked), run);
    MeasureFiles(run);
    return run;
}

}  // namespace kelvarin
