// Every check that can refuse the whole import runs before anything is
// collected or started. Workers are started one after another, each with its
// own job; a thread that cannot be started stands in for its worker's
// finish so the receiver still counts four.
#include "import/start_import.h"

#include <sys/stat.h>

#include <cstdlib>
#include <numeric>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "fileio/folders.h"
#include "fileio/replace_file.h"
#include "import/import_messages.h"
#include "import/import_worker.h"
#include "import/stored_path.h"
#include "scan/client_names.h"
#include "scan/collect_files.h"

namespace kelvarin {

namespace {

// The path with every symbolic link resolved, or empty when it cannot be.
std::string ResolvedPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

// A root inside the source would be collected into the import: every import
// would store the stored files of the last one.
bool RootInsideSource(const std::string& root, const std::string& source) {
    return IsSameOrBelowFolder(root, source) ||
           IsSameOrBelowFolder(ResolvedPath(root), ResolvedPath(source));
}

// The size of each dealt file, for the progress and the reports; a file
// that cannot be measured counts 0 (it will fail on its own).
WorkerFileSizes MeasureFiles(const WorkerFileLists& lists) {
    WorkerFileSizes sizes(lists.size());
    for (std::size_t k = 0; k < lists.size(); ++k) {
        for (const std::string& file : lists[k]) {
            struct stat info {};
            const bool measured = ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode);
            sizes[k].push_back(measured ? static_cast<std::uint64_t>(info.st_size) : 0);
        }
    }
    return sizes;
}

ImportRun Refuse(ImportRefusal refusal, std::string message) {
    ImportRun result;
    result.refusal = refusal;
    result.message = std::move(message);
    return result;
}

}  // namespace

std::jthread LaunchWorkerThread(std::unique_ptr<ImportJob> job) {
    std::jthread thread(ImportWorker, job.get());
    // The worker owns the job from here; if the thread was not started, the
    // constructor threw and `job` still frees it.
    job.release();
    return thread;
}

ImportRun StartImport(const std::string& chosenFolder, const std::string& rootPath,
                      MessageWindow& window, const ImportOptions& options) {
    if (options.workerCount < 1 || options.workerCount > kMaxImportWorkerCount) {
        return Refuse(ImportRefusal::kBadWorkerCount,
                      "The number of workers must be 1 to " +
                          std::to_string(kMaxImportWorkerCount) + ", not " +
                          std::to_string(options.workerCount) + ".");
    }
    if (std::string problem = RootFolderProblem(rootPath); !problem.empty()) {
        return Refuse(rootPath.empty() ? ImportRefusal::kNoRootFolder : ImportRefusal::kRootMissing,
                      std::move(problem));
    }
    const std::string root = CanonicalFolder(rootPath);
    const std::string source = chosenFolder.empty() ? std::string() : CanonicalFolder(chosenFolder);
    if (const std::string why = WhyNotAFolder(source); !why.empty()) {
        return Refuse(ImportRefusal::kSourceMissing,
                      "The source folder " + chosenFolder + " " + why + ".");
    }
    if (RootInsideSource(root, source)) {
        return Refuse(ImportRefusal::kRootInsideSource,
                      "The root folder " + root + " lies inside the source folder " + source +
                          "; choose a source folder that does not contain it.");
    }
    if (IsSameOrBelowFolder(source, root) ||
        IsSameOrBelowFolder(ResolvedPath(source), ResolvedPath(root))) {
        return Refuse(ImportRefusal::kSourceInsideRoot, "The source folder " + source +
                                                            " lies inside the root folder " + root +
                                                            "; choose a source folder outside it.");
    }
    RootLock lock = RootLock::TryLock(root);
    if (lock.GetState() == RootLock::State::kBusy) {
        return Refuse(ImportRefusal::kRootBusy, lock.BusyMessage(root));
    }

    // A run that cannot see every source file would leave stored files
    // stale without a word, so it does not start.
    std::vector<std::string> files;
    // A link to the root, or to a folder above it, would store the root
    // into itself, deeper on every import.
    ScanReport scan;
    CollectFiles(source, files, &scan, FolderAndItsParents(root));
    const std::vector<UnreadableFolder>& unreadable = scan.unreadable;
    if (!scan.stoppedAt.empty()) {
        return Refuse(ImportRefusal::kSourceInsideRoot,
                      "The source folder reaches the root folder " + root + " through the link " +
                          scan.stoppedAt.front() + "; nothing was imported.");
    }
    if (!unreadable.empty()) {
        return Refuse(ImportRefusal::kUnreadableFolder,
                      "Nothing was imported: " + unreadable.front().Describe() + ".");
    }

    ImportRun result;
    result.allFiles = std::move(files);
    result.findings.loops = std::move(scan.loops);
    result.findings.linksFollowed = scan.linksFollowed;
    if (lock.GetState() == RootLock::State::kUnsupported) {
        result.findings.lockWarning = lock.Warning(root);
    }
    result.lock = std::move(lock);
    result.refusedFiles = TakeRefusedFiles(result.allFiles, source, root);
    result.sourceRoot = source;
    if (!options.dryRun) {
        // Under the lock no other run writes here: what a killed one left goes.
        std::set<std::string> folders{root};
        for (const std::string& file : result.allFiles) {
            if (const auto relative = RelativeToFolder(file, source)) {
                folders.insert(DirectoryPart(StoredFilePath(root, *relative)));
            }
        }
        for (const std::string& folder : folders) {
            result.findings.leftoversRemoved += RemoveLeftoverTemporariesIn(folder);
        }
    }
    auto lists = std::make_shared<WorkerFileLists>(static_cast<std::size_t>(options.workerCount));
    DealFiles(result.allFiles, *lists);
    result.workerFiles = lists;
    auto reasons = std::make_shared<FailureReasons>(lists->size());
    for (std::size_t k = 0; k < reasons->size(); ++k) {
        (*reasons)[k].resize((*lists)[k].size());
    }
    result.failureReasons = reasons;
    for (int k = 0; k < options.workerCount; ++k) {
        auto job = std::make_unique<ImportJob>();
        job->hwndDialog = &window;
        job->rootPath = root;
        job->sourceRoot = source;
        // Shares ownership of all the lists; points at this worker's one.
        job->files = std::shared_ptr<const std::vector<std::string>>(
            result.workerFiles, &(*lists)[static_cast<std::size_t>(k)]);
        job->failureReasons = std::shared_ptr<std::vector<std::string>>(
            reasons, &(*reasons)[static_cast<std::size_t>(k)]);
        job->workerIndex = k;
        job->dryRun = options.dryRun;
        job->progress = result.progress;
        try {
            result.workers.Add(options.launch(std::move(job)));
        } catch (const std::system_error& error) {
            result.workersNotStarted.push_back({k, "Import worker " + std::to_string(k) +
                                                       " could not be started: " + error.what()});
            // Stand in for the worker's last message, so that the receiver
            // still counts every worker and gives the buttons back.
            window.PostMessage(WM_IMPORT_FINISHED, 0, k);
        }
    }
    // Measured while the workers already work: they never read the sizes.
    result.fileSizes = MeasureFiles(*lists);
    for (const std::vector<std::uint64_t>& sizes : result.fileSizes) {
        result.progress->bytesTotal +=
            std::accumulate(sizes.begin(), sizes.end(), std::uint64_t{0});
    }
    return result;
}

}  // namespace kelvarin
