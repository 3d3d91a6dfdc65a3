// The part of a list run that reads: scan, name checks, digests, and the
// list's bytes in memory. Writing the list and checking a published one
// both start from it.
#include "filelist/compose_file_list.h"

#include <utility>

#include "fileio/paths.h"
#include "fileio/replace_file.h"
#include "filelist/list_format.h"
#include "filelist/listed_file_digests.h"
#include "filelist/listed_files.h"
#include "filelist/pack_flag.h"
#include "scan/collect_files.h"

namespace kelvarin {

namespace {

// A list line is about 180 bytes plus the name.
constexpr std::size_t kLineEstimate = 200;

bool Fail(FileListResult& result, FileListOutcome outcome, std::string message) {
    result.outcome = outcome;
    result.message = std::move(message);
    return false;
}

}  // namespace

bool ComposeFileList(const FileListRequest& request, const std::string& rootPath,
                     bool removeLeftovers, FileListResult& result, std::string& text) {
    std::vector<std::string> scanned;
    ScanReport scan;
    CollectFiles(rootPath, scanned, &scan);
    const std::vector<UnreadableFolder>& unreadable = scan.unreadable;
    result.findings.loops = scan.loops;
    result.findings.linksFollowed = scan.linksFollowed;
    if (!unreadable.empty()) {
        const std::string prefix = RootPrefix(rootPath);
        for (const UnreadableFolder& folder : unreadable) {
            result.problemFiles.push_back(
                folder.path.starts_with(prefix) ? folder.path.substr(prefix.size()) : folder.path);
        }
        return Fail(result, FileListOutcome::kUnreadableFolder,
                    unreadable.front().Describe() + ".");
    }
    if (removeLeftovers) {
        result.findings.leftoversRemoved = RemoveLeftoverTemporaries(scanned);
    } else {
        const std::size_t prefix = RootPrefix(rootPath).size();
        for (const std::string& path : scanned) {
            if (IsTemporaryFileName(path.substr(DirectoryPart(path).size()))) {
                result.temporaries.push_back(path.substr(prefix));
            }
        }
    }
    ListedFiles listed = SelectListedFiles(rootPath, std::move(scanned));
    const std::size_t prefixLength = RootPrefix(rootPath).size();
    if (!listed.refusals.empty()) {
        std::string message =
            "the client cannot hold the names of these files under " + rootPath + ":";
        for (UnlistableFile& refused : listed.refusals) {
            message += "\n  " + refused.path + ": " + refused.reason;
            result.problemFiles.push_back(std::move(refused.path));
        }
        return Fail(result, FileListOutcome::kRefusedNames, std::move(message));
    }

    const ExclusionList exclusions(request.excludeList);
    const std::size_t count = listed.paths.size();
    result.listed.reserve(count);
    text.clear();
    text.reserve(count * kLineEstimate + 64);
    AppendListHead(text, static_cast<std::int32_t>(count));
    std::uint64_t totalBytes = 0;
    const auto failure = DigestListedFiles(
        listed.paths, DigestOptions{request.workers, kDefaultHeldBytesBudget, request.stop},
        [&](std::size_t index, const FileDigests& digests) {
            const std::string& name = listed.names[index];
            AppendFileElement(text, ListedFile{name, PackFlag(name, exclusions),
                                               static_cast<std::int32_t>(digests.length),
                                               digests.md5, digests.md5x});
            totalBytes += digests.length;
            result.listed.push_back({name, digests.length});
            if (!digests.whole && name.ends_with(".aup")) {
                result.damagedFiles.push_back(listed.paths[index].substr(prefixLength));
            }
            if (request.progress) {
                request.progress(index + 1, count, name);
            }
        });
    if (failure && failure->stopped) {
        return Fail(result, FileListOutcome::kStopped,
                    "The file list was stopped before it was written; the old list is kept.");
    }
    if (failure) {
        result.problemFiles.push_back(listed.paths[failure->index].substr(prefixLength));
        return Fail(result, FileListOutcome::kUnreadableFile, failure->reason);
    }
    AppendListEnd(text);

    result.unmatchedExclusions = UnmatchedExclusions(
        request.excludeList,
        std::vector<std::string_view>(listed.names.begin(), listed.names.end()));
    result.fileCount = count;
    result.totalBytes = totalBytes;
    return true;
}

}  // namespace kelvarin
