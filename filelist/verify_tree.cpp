// The check composes the list as a list run would, under the same lock, and
// compares; it writes nothing, so temporaries are reported, not removed.
#include "filelist/verify_tree.h"

#include <memory>
#include <utility>

#include "codec/decompressor.h"
#include "codec/stored_file.h"
#include "fileio/file_reader.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "fileio/root_lock.h"
#include "filelist/compose_file_list.h"
#include "filelist/list_encoding.h"
#include "filelist/listed_files.h"

namespace kelvarin {

namespace {

VerifyResult Stop(FileListOutcome outcome, std::string message) {
    VerifyResult result;
    result.outcome = outcome;
    result.message = std::move(message);
    return result;
}

}  // namespace

VerifyResult VerifyPublishedTree(const FileListRequest& request) {
    if (std::string problem = RootFolderProblem(request.rootPath); !problem.empty()) {
        return Stop(FileListOutcome::kNoRoot, std::move(problem));
    }
    const std::string rootPath = CanonicalFolder(request.rootPath);
    const std::string listPath =
        request.listPath.empty() ? DefaultListPath(rootPath) : request.listPath;
    const RootLock lock = RootLock::TryLock(rootPath);
    if (lock.GetState() == RootLock::State::kBusy) {
        return Stop(FileListOutcome::kRootBusy, lock.BusyMessage(rootPath));
    }
    FileListRequest composing = request;
    composing.listPath = listPath;
    FileListResult composed;
    const std::string text = ComposeFileList(composing, rootPath, Leftovers::kKeep, composed);
    if (!composed.Written()) {
        VerifyResult stopped = Stop(composed.outcome, composed.message);
        stopped.namedFiles = std::move(composed.namedFiles);
        return stopped;
    }

    VerifyResult result;
    result.findings = std::move(composed.findings);
    if (lock.GetState() == RootLock::State::kUnsupported) {
        result.findings.lockWarning = lock.Warning(rootPath, "check");
    }
    result.fileCount = composed.fileCount;
    result.unmatchedExclusions = std::move(composed.unmatchedExclusions);
    std::vector<std::uint8_t> list;
    if (const ReadOutcome read = ReadWholeFile(listPath, list, kMaxFieldLength); !read.Ok()) {
        result.problems.push_back(
            {"list", listPath, "the published list", DescribeReadFailure(read, listPath)});
    } else {
        // Compared as the client reads them, reported in UTF-8 as every name is.
        result.problems = CompareLists(
            std::string_view(reinterpret_cast<const char*>(list.data()), list.size()), text);
        for (ListProblem& problem : result.problems) {
            problem.name = DecodeListText(request.listEncoding, problem.name);
        }
        const std::string companion = listPath + kCompanionSuffix;
        std::vector<std::uint8_t> decoded;
        const auto work = std::make_unique<LzssWindow>();
        const StoredFileState state =
            DecompressStoredFile(companion, *work, decoded, TruncationReport::kSilent);
        if (state != StoredFileState::kWhole || decoded != list) {
            result.problems.push_back({"bin", companion, "the list, compressed",
                                       state == StoredFileState::kUnreadable
                                           ? "a file that cannot be read"
                                           : "other content"});
        }
    }
    for (const std::string& damaged : composed.damagedFiles) {
        result.problems.push_back(
            {"damaged", damaged, "a whole stored file", "a damaged one: " + DamageText()});
    }
    for (const std::string& temporary : composed.temporaries) {
        result.problems.push_back(
            {"temporary", temporary, "no file", "a temporary left by a stopped run"});
    }
    return result;
}

}  // namespace kelvarin
