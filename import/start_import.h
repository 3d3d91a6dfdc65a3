// The GUI-free part of the Import command: checks the two folders, collects
// the source folder, refuses the files the client could not hold, deals the
// rest over four workers and starts them. The dialog calls it after its
// folder browser and the command line calls it directly; both own the fields
// it fills (the dialog's m_sourceRoot, m_allFiles and m_workerFiles) and keep
// them unchanged until the fourth WM_IMPORT_FINISHED, since the workers'
// messages name files by their index in those lists.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "import/deal.h"
#include "import/import_job.h"
#include "import/refused_files.h"
#include "platform/message_window.h"

namespace kelvarin {

// Runs ImportWorker on the job on a new thread and returns at once. Throws
// std::system_error when no thread can be started; the job is then freed.
using WorkerLauncher = std::function<void(std::unique_ptr<ImportJob>)>;

// The launcher of a real import: a detached std::thread with the default
// stack (8 MB on Linux; the worker needs about 350 KB).
void LaunchWorkerThread(std::unique_ptr<ImportJob> job);

struct ImportOptions {
    bool dryRun = false;  // the workers decide as usual but write nothing
    WorkerLauncher launch = LaunchWorkerThread;
};

enum class ImportRefusal {
    kNone,
    kNoRootFolder,
    kRootMissing,
    kSourceMissing,
    kRootInsideSource,
};

struct WorkerNotStarted {
    int workerIndex = 0;
    std::string message;  // for the user: which worker, and why
};

struct ImportStart {
    // Not kNone: nothing was started and the caller's fields are unchanged.
    ImportRefusal refusal = ImportRefusal::kNone;
    std::string message;  // why it was refused, for the user
    // Files taken out of the deal; their stored files are not touched. The
    // front end logs one line each (RefusedFileLine).
    std::vector<RefusedFile> refusedFiles;
    // Workers whose thread could not be started; their files were not
    // imported. WM_IMPORT_FINISHED has been posted for each of them, so the
    // receiver still counts four.
    std::vector<WorkerNotStarted> workersNotStarted;

    bool Started() const { return refusal == ImportRefusal::kNone; }
};

// Imports `chosenFolder` into `rootPath`. On success `sourceRoot` is the
// canonical chosen folder (case kept), `allFiles` the files dealt (scan
// order, refused files left out), `workerFiles` the four dealt lists, and
// four workers post to `window`, each with its own copy of the job. Refused
// before anything starts: an empty `rootPath`, a root or source folder that
// is not an existing folder, a root folder equal to or inside the source
// folder (also through symbolic links).
// REQUIRES: `window` outlives every worker started (see ImportJob); the
// fields are not changed while an import runs.
ImportStart StartImport(const std::string& chosenFolder, const std::string& rootPath,
                        std::string& sourceRoot, std::vector<std::string>& allFiles,
                        WorkerFileLists& workerFiles, MessageWindow& window,
                        const ImportOptions& options = {});

}  // namespace kelvarin
