// The GUI-free part of the Import command: checks the two folders, collects
// the source folder, refuses the files the client could not hold, deals the
// rest over four workers and starts them. The dialog calls it after its
// folder browser and the command line calls it directly. What it returns
// owns the run as one value: the root's lock, the lists the workers'
// messages refer to by index (shared read-only with the workers), the
// progress and the workers' threads. The receiver keeps it whole until the
// last WM_IMPORT_FINISHED, then ends it: the workers are joined before the
// lock goes, so no second run can start on the root while one still writes.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fileio/root_lock.h"
#include "import/deal.h"
#include "import/import_job.h"
#include "import/refused_files.h"
#include "import/worker_group.h"
#include "platform/message_window.h"
#include "scan/run_notes.h"

namespace kelvarin {

// Runs ImportWorker on the job on a new thread and returns the thread. Throws
// std::system_error when no thread can be started; the job is then freed.
using WorkerLauncher = std::function<std::jthread(std::unique_ptr<ImportJob>)>;

using ImportClock = std::chrono::steady_clock;

// The launcher of a real import: a thread with the default stack (8 MB on
// Linux; the worker needs about 350 KB).
std::jthread LaunchWorkerThread(std::unique_ptr<ImportJob> job);

struct ImportOptions {
    bool dryRun = false;  // the workers decide as usual but write nothing
    WorkerLauncher launch = LaunchWorkerThread;
    // Workers to start, 1 to kMaxImportWorkerCount. The deal and each
    // worker's window depend on it, so the stored bytes are a function of
    // the source tree and this number.
    int workerCount = kImportWorkerCount;
    // Called once the run is accepted, before its first worker starts: the
    // moment to withdraw what an earlier run reported, before this one
    // puts anything in place.
    std::function<void()> beforeWorkers;
};

enum class ImportRefusal {
    kNone,
    kNoRootFolder,
    kRootMissing,
    kSourceMissing,
    kRootInsideSource,
    kSourceInsideRoot,  // or reaching the root, a folder above or below it, by a link
    kRootBusy,          // another run holds the root
    kUnreadableFolder,  // the source could not be seen whole
    kBadWorkerCount,    // not 1 to kMaxImportWorkerCount
};

struct WorkerNotStarted {
    int workerIndex = 0;
    std::string message;  // for the user: which worker, and why
};

struct ImportRun {
    // Not kNone: nothing was started and every other field is empty.
    ImportRefusal refusal = ImportRefusal::kNone;
    std::string message;  // why it was refused, for the user
    // Files taken out of the deal; their stored files are not touched. The
    // front end logs one line each (RefusedFileLine).
    std::vector<RefusedFile> refusedFiles;
    // The canonical chosen folder, case kept.
    std::string sourceRoot;
    // The files dealt, in scan order, refused files left out.
    std::vector<std::string> allFiles;
    // The dealt lists, one per worker; never null.
    std::shared_ptr<const WorkerFileLists> workerFiles = std::make_shared<WorkerFileLists>();
    // Why each failed file failed (LookUpWorkerFile finds an entry); read an
    // entry only after taking the WM_IMPORT_FAILED message for its file.
    std::shared_ptr<const FailureReasons> failureReasons = std::make_shared<FailureReasons>();
    // The size of each file of workerFiles, taken as the run started.
    WorkerFileSizes fileSizes;
    // Bytes done and the stop request, shared with the workers; never null.
    std::shared_ptr<ImportProgress> progress = std::make_shared<ImportProgress>();
    // Workers whose thread could not be started; their files were not
    // imported. WM_IMPORT_FINISHED has been posted for each of them, so the
    // receiver still counts one per worker.
    std::vector<WorkerNotStarted> workersNotStarted;
    // A root that could not be locked (the run goes on without), the links
    // met, and the temporaries of stopped runs removed from the folders this
    // run writes to before the workers started.
    RunFindings findings;
    // Declared before the workers, so it is released only after they are joined.
    RootLock lock;
    WorkerGroup workers;
    // From the call that chose the source to End().
    ImportClock::time_point startedAt = ImportClock::now();
    ImportClock::time_point endedAt = startedAt;

    bool Started() const { return refusal == ImportRefusal::kNone; }
    // Joins the workers, then releases the root: called once the last
    // WM_IMPORT_FINISHED has been taken. The lists stay for the reports.
    void End();
    double Seconds() const { return std::chrono::duration<double>(endedAt - startedAt).count(); }
};

// Imports `chosenFolder` into `rootPath`; options.workerCount workers post
// to `window`.
// Refused before anything starts: an empty `rootPath`, a root or source
// folder that is not an existing folder, a root folder equal to or inside
// the source folder or the other way round (also through symbolic links),
// a source holding a link to the root or a folder above or below it
// (import/folders_apart.h). A file whose stored file lies behind a folder
// link inside the root fails ("lies behind the link X"); nothing is
// written there.
// REQUIRES: `window` outlives the returned run's workers.
ImportRun StartImport(const std::string& chosenFolder, const std::string& rootPath,
                      MessageWindow& window, const ImportOptions& options = {});

}  // namespace kelvarin
