// The orphan search: two whole scans and a set of the stored names the
// source would give.
#include "import/orphans.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "fileio/file_status.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "fileio/root_lock.h"
#include "import/stored_path.h"
#include "scan/client_names.h"
#include "scan/collect_files.h"

namespace kelvarin {

namespace {

// The scan of a folder that must be seen whole; `problem` says when it was not.
std::vector<std::string> ScanWhole(const std::string& folder, std::string& problem) {
    std::vector<std::string> files;
    ScanReport report;
    CollectFiles(folder, files, &report);
    if (problem.empty() && !report.unreadable.empty()) {
        problem = report.unreadable.front().Describe();
    }
    return files;
}

}  // namespace

std::vector<std::string> OrphanStoredFiles(const std::string& source,
                                           const std::vector<std::string>& sourceFiles,
                                           const std::string& root,
                                           const std::vector<std::string>& rootFiles) {
    std::unordered_set<std::string> stored;
    for (const std::string& file : sourceFiles) {
        if (const auto relative = RelativeToFolder(file, source)) {
            stored.insert(StoredRelativePath(*relative));
        }
    }
    std::vector<std::string> orphans;
    for (const std::string& file : rootFiles) {
        const auto relative = RelativeToFolder(file, root);
        if (relative && relative->ends_with(kStoredFileSuffix) &&
            !stored.contains(std::string(*relative))) {
            orphans.emplace_back(*relative);
        }
    }
    return orphans;
}

OrphanSearch FindOrphans(const std::string& sourcePath, const std::string& rootPath,
                         OrphanDeletion deletion) {
    OrphanSearch search;
    std::string& problem = search.refusal;
    problem = RootFolderProblem(rootPath);
    const std::string root = CanonicalFolder(rootPath);
    const std::string source = CanonicalFolder(sourcePath);
    if (const std::string why = WhyNotAFolder(source); problem.empty() && !why.empty()) {
        problem = "the source folder " + source + " " + why;
    }
    const RootLock lock = problem.empty() ? RootLock::TryLock(root) : RootLock();
    if (problem.empty() && lock.GetState() == RootLock::State::kBusy) {
        problem = lock.BusyMessage(root);
    }
    if (!problem.empty()) {
        return search;
    }
    const std::vector<std::string> sourceFiles = ScanWhole(source, problem);
    const std::vector<std::string> rootFiles = ScanWhole(root, problem);
    if (!problem.empty()) {
        return search;
    }
    for (std::string& stored : OrphanStoredFiles(source, sourceFiles, root, rootFiles)) {
        Orphan orphan;
        const std::string path = root + '/' + stored;
        const std::string published = PublishedName(stored);
        orphan.published = published.substr(0, published.size() - kStoredFileSuffix.size());
        orphan.bytes = FileSize(path);
        orphan.stored = std::move(stored);
        if (deletion == OrphanDeletion::kDelete) {
            if (::unlink(path.c_str()) == 0) {
                orphan.action = OrphanAction::kRemoved;
            } else {
                orphan.action = OrphanAction::kFailed;
                orphan.reason = std::strerror(errno);
            }
        }
        search.orphans.push_back(std::move(orphan));
    }
    return search;
}

}  // namespace kelvarin
