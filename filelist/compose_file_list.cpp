// The part of a list run that reads: scan, name checks, digests, and the
// list's bytes in memory. Writing the list and checking a published one
// both start from it.
#include "filelist/compose_file_list.h"

#include <optional>
#include <utility>

#include "codec/stored_file.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "fileio/replace_file.h"
#include "filelist/list_encoding.h"
#include "filelist/list_format.h"
#include "filelist/listed_file_digests.h"
#include "filelist/listed_files.h"
#include "filelist/pack_flag.h"
#include "scan/collect_files.h"

namespace kelvarin {

namespace {

// A list line is about 180 bytes plus the name.
constexpr std::size_t kLineEstimate = 200;

std::string Fail(FileListResult& result, FileListOutcome outcome, std::string message) {
    result.outcome = outcome;
    result.message = std::move(message);
    return {};
}

// Every file below the root, or nothing (`result` says why) when a folder
// cannot be read.
std::optional<std::vector<std::string>> ScanRoot(const std::string& rootPath,
                                                 FileListResult& result) {
    std::vector<std::string> scanned;
    ScanReport scan;
    CollectFiles(rootPath, scanned, &scan);
    result.findings.loops = scan.loops;
    result.findings.linksFollowed = scan.linksFollowed;
    if (!scan.unreadable.empty()) {
        Fail(result, FileListOutcome::kUnreadableFolder, scan.unreadable.front().Describe() + ".");
        return std::nullopt;
    }
    return scanned;
}

void SetLeftoversApart(const std::vector<std::string>& scanned, const std::string& rootPath,
                       Leftovers leftovers, FileListResult& result) {
    if (leftovers == Leftovers::kRemove) {
        result.findings.leftoversRemoved = RemoveLeftoverTemporaries(scanned);
        return;
    }
    const std::size_t prefix = RootPrefix(rootPath).size();
    for (const std::string& path : scanned) {
        if (IsTemporaryFileName(path.substr(DirectoryPart(path).size()))) {
            result.temporaries.push_back(path.substr(prefix));
        }
    }
}

std::string RefusalMessage(const std::string& rootPath,
                           const std::vector<UnlistableFile>& refusals) {
    std::string message = "the client cannot hold the names of these files under " + rootPath + ":";
    for (const UnlistableFile& refused : refusals) {
        message += "\n  " + refused.path + ": " + refused.reason;
    }
    return message;
}

// exclude.list in UTF-8, as the names it is compared with. Compared in the
// list's encoding instead, ASCII case folding would change the second bytes
// of double-byte characters, which may be letters.
std::vector<std::string> DecodedEntries(const TextEncoding& encoding,
                                        const std::vector<std::string>& entries) {
    std::vector<std::string> decoded;
    decoded.reserve(entries.size());
    for (const std::string& entry : entries) {
        decoded.push_back(DecodeListText(encoding, entry));
    }
    return decoded;
}

// Digests the listed files and appends their elements to `text`, in list
// order, noting each in `result`. Returns the failure that ended it early.
std::optional<DigestFailure> AppendFileElements(const FileListRequest& request,
                                                const std::vector<std::string>& excludeList,
                                                const ListedFiles& listed, std::size_t prefixLength,
                                                FileListResult& result, std::string& text) {
    const ExclusionList exclusions(excludeList);
    const std::size_t count = listed.paths.size();
    result.listed.reserve(count);
    return DigestListedFiles(
        listed.paths, DigestOptions{request.workers, kDefaultHeldBytesBudget, request.stop},
        [&](std::size_t index, const FileDigests& digests) {
            const std::string& name = listed.names[index];
            AppendFileElement(text, ListedFile{listed.listNames[index], PackFlag(name, exclusions),
                                               static_cast<std::int32_t>(digests.length),
                                               digests.md5, digests.md5x});
            result.listed.push_back({name, digests.length});
            if (!digests.whole && name.ends_with(kStoredFileSuffix)) {
                result.damagedFiles.push_back(listed.paths[index].substr(prefixLength));
            }
            if (request.progress) {
                request.progress(index + 1, count, name);
            }
        });
}

}  // namespace

std::string ComposeFileList(const FileListRequest& request, const std::string& rootPath,
                            Leftovers leftovers, FileListResult& result) {
    std::optional<std::vector<std::string>> scanned = ScanRoot(rootPath, result);
    if (!scanned) {
        return {};
    }
    SetLeftoversApart(*scanned, rootPath, leftovers, result);
    const ListedFiles listed =
        SelectListedFiles(rootPath, std::move(*scanned), request.listEncoding);
    if (!listed.refusals.empty()) {
        result.namedFiles = listed.refusals;
        return Fail(result, FileListOutcome::kRefusedNames,
                    RefusalMessage(rootPath, listed.refusals));
    }

    const std::size_t count = listed.paths.size();
    std::string text;
    text.reserve(count * kLineEstimate + 64);
    AppendListHead(text, static_cast<std::int32_t>(count));
    const std::vector<std::string> excludeList =
        DecodedEntries(request.listEncoding, request.excludeList);
    const std::optional<DigestFailure> failure =
        AppendFileElements(request, excludeList, listed, RootPrefix(rootPath).size(), result, text);
    if (failure && failure->stopped) {
        return Fail(result, FileListOutcome::kStopped,
                    "The file list was stopped before it was written; the old list is kept.");
    }
    if (failure) {
        result.namedFiles.push_back(
            {listed.paths[failure->index].substr(RootPrefix(rootPath).size()), failure->reason});
        return Fail(result, FileListOutcome::kUnreadableFile, failure->reason);
    }
    AppendListEnd(text);

    result.unmatchedExclusions = UnmatchedExclusions(
        excludeList, std::vector<std::string_view>(listed.names.begin(), listed.names.end()));
    result.fileCount = count;
    result.totalBytes = 0;
    for (const FileListResult::Entry& entry : result.listed) {
        result.totalBytes += entry.length;
    }
    return text;
}

}  // namespace kelvarin
