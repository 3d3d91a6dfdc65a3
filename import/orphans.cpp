// The orphan search: two whole scans and a set of the stored names the
// source would give; then, for each orphan, whether it may go. Doubt keeps
// a file: a name behind a link, another name of a wanted file, or bytes
// that are not a stored file are reported and left alone.
#include "import/orphans.h"

#include <memory>
#include <set>
#include <unordered_set>
#include <utility>

#include "codec/decompressor.h"
#include "fileio/file_status.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "fileio/remove_file.h"
#include "fileio/root_lock.h"
#include "import/folders_apart.h"
#include "import/linked_folders.h"
#include "import/stored_path.h"
#include "scan/client_names.h"
#include "scan/collect_files.h"

namespace kelvarin {

namespace {

constexpr char kBehindALink[] = "behind a link";
constexpr char kOtherNameHasSource[] = "another name of this file has a source";
constexpr char kNotAStoredFile[] = "not an undamaged stored file";
constexpr char kNotARegularFile[] = "a link or other special file, not a regular file";

using FileIdentity = std::pair<std::uint64_t, std::uint64_t>;  // device, inode

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

// The files that some name with a source names: another name of one of
// them is no orphan, whatever it is called.
std::set<FileIdentity> FilesWithASource(const std::string& root,
                                        const std::vector<std::string>& rootFiles,
                                        const std::vector<std::string>& orphans) {
    const std::unordered_set<std::string> orphanNames(orphans.begin(), orphans.end());
    std::set<FileIdentity> files;
    for (const std::string& file : rootFiles) {
        const auto relative = RelativeToFolder(file, root);
        if (relative && relative->ends_with(kStoredFileSuffix) &&
            !orphanNames.contains(std::string(*relative))) {
            const FileStatus status = StatusOf(file);
            files.emplace(status.device, status.inode);
        }
    }
    return files;
}

// Why `orphan` must stay, or empty when it may be removed.
std::string WhyKept(const std::string& root, const std::string& stored, const FileStatus& status,
                    const LinkedFolders& linked, const std::set<FileIdentity>& withSource,
                    LzssWindow& work) {
    if (linked.contains(DirectoryPart(RootPrefix(root) + stored))) {
        return kBehindALink;
    }
    if (withSource.contains({status.device, status.inode})) {
        return kOtherNameHasSource;
    }
    if (OwnStatusOf(RootPrefix(root) + stored).kind != FileKind::kRegular) {
        return kNotARegularFile;
    }
    std::vector<std::uint8_t> content;
    if (DecompressStoredFile(RootPrefix(root) + stored, work, content, TruncationReport::kSilent) !=
        StoredFileState::kWhole) {
        return kNotAStoredFile;
    }
    return {};
}

// Decides each orphan's action and, with kDelete, removes the ones that may go.
std::vector<Orphan> DecideOrphans(const std::string& root,
                                  const std::vector<std::string>& rootFiles,
                                  std::vector<std::string> stored, OrphanDeletion deletion) {
    if (stored.empty()) {
        return {};  // nothing to decide: no file of the root is looked at again
    }
    std::set<std::string> folders;
    for (const std::string& name : stored) {
        folders.insert(DirectoryPart(RootPrefix(root) + name));
    }
    const LinkedFolders linked = FoldersBehindLinks(root, folders);
    const std::set<FileIdentity> withSource = FilesWithASource(root, rootFiles, stored);
    const auto work = std::make_unique<LzssWindow>();
    std::vector<Orphan> orphans;
    for (std::string& name : stored) {
        Orphan orphan;
        const std::string published = PublishedName(name);
        orphan.published = published.substr(0, published.size() - kStoredFileSuffix.size());
        const FileStatus status = StatusOf(RootPrefix(root) + name);
        orphan.bytes = status.size;
        orphan.reason = WhyKept(root, name, status, linked, withSource, *work);
        if (!orphan.reason.empty()) {
            orphan.action = OrphanAction::kKept;
        } else if (deletion == OrphanDeletion::kDelete) {
            orphan.reason = RemoveRegularFileBelow(root, name);
            orphan.action = orphan.reason.empty() ? OrphanAction::kRemoved : OrphanAction::kFailed;
        }
        orphan.stored = std::move(name);
        orphans.push_back(std::move(orphan));
    }
    return orphans;
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
    // The folders an import would refuse, refused in the same words.
    const RunFolders folders = CheckRunFolders(sourcePath, rootPath);
    const std::string& root = folders.root;
    const std::string& source = folders.source;
    problem = folders.message;
    const RootLock lock = problem.empty() ? RootLock::TryLock(root) : RootLock();
    if (problem.empty() && lock.GetState() == RootLock::State::kBusy) {
        problem = lock.BusyMessage(root);
    }
    if (!problem.empty()) {
        return search;
    }
    std::vector<std::string> sourceFiles;
    ScanReport sourceScan;
    problem = CollectSourceApart(source, root, sourceFiles, sourceScan).message;
    if (problem.empty() && !sourceScan.unreadable.empty()) {
        problem = sourceScan.unreadable.front().Describe();
    }
    const std::vector<std::string> rootFiles = ScanWhole(root, problem);
    if (problem.empty()) {
        search.orphans = DecideOrphans(
            root, rootFiles, OrphanStoredFiles(source, sourceFiles, root, rootFiles), deletion);
    }
    return search;
}

}  // namespace kelvarin
