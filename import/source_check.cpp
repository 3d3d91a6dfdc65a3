// The source check reads the fates off the import's own tally, so verify
// and import cannot disagree on what a file needs.
#include "import/source_check.h"

#include "fileio/paths.h"
#include "import/import_tally.h"
#include "import/orphans.h"
#include "import/start_import.h"
#include "platform/queued_message_window.h"
#include "scan/collect_files.h"

namespace kelvarin {

namespace {

// What a file's fate in a dry import says about the root, if anything.
void AddFinding(const FileReport& file, std::vector<SourceFinding>& findings) {
    switch (file.fate) {
        case FileFate::kAdded:
            findings.push_back(
                {"not-imported", file.stored, "the stored file of " + file.path, "no such file"});
            break;
        case FileFate::kUpdated:
            findings.push_back(
                {"source-differs", file.stored, "the content of " + file.path, "other content"});
            break;
        case FileFate::kFailed:
        case FileFate::kNotStarted:
            findings.push_back(
                {"source-unreadable", file.path, "a file that can be read", file.reason});
            break;
        case FileFate::kRefused:
            findings.push_back({"refused", file.path, "a name the client can hold", file.reason});
            break;
        case FileFate::kUnchanged:
        case FileFate::kNotBegun:
        case FileFate::kAbandoned:
            break;
    }
}

}  // namespace

SourceCheck CheckSourceAgainstRoot(const std::string& source, const std::string& root,
                                   const WorkerLauncher& launch) {
    SourceCheck check;
    QueuedMessageWindow window;
    ImportOptions options;
    options.dryRun = true;
    options.launch = launch;
    ImportRun run = StartImport(source, root, window, options);
    if (!run.Started()) {
        check.refusal = run.message;
        return check;
    }
    ImportTally tally(run, true);
    while (!tally.Finished()) {
        const PostedMessage posted = window.Take();
        tally.Take(posted.message, posted.wParam, posted.lParam);
    }
    run.workers.Join();
    std::vector<std::string> sourceFiles = run.allFiles;
    for (const FileReport& file : tally.Files()) {
        AddFinding(file, check.findings);
        if (file.fate == FileFate::kRefused) {
            sourceFiles.push_back(file.path);
        }
    }
    // Still under the run's lock: no import changes the root meanwhile.
    std::vector<std::string> rootFiles;
    CollectFiles(root, rootFiles);
    for (const std::string& orphan :
         OrphanStoredFiles(run.sourceRoot, sourceFiles, CanonicalFolder(root), rootFiles)) {
        check.findings.push_back({"no-source", orphan, "a source file", "none"});
    }
    run.End();
    return check;
}

}  // namespace kelvarin
