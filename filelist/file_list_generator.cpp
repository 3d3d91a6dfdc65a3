// The writing half of a list run: the outputs and the root checked first,
// the list composed in memory, then the pair put in place.
#include "filelist/file_list_generator.h"

#include <unistd.h>

#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "codec/decompressor.h"
#include "codec/stored_file.h"
#include "fileio/file_reader.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "fileio/replace_file.h"
#include "filelist/compose_file_list.h"
#include "filelist/listed_files.h"
#include "platform/message_box.h"

namespace kelvarin {

namespace {

// A list and companion in place that do not agree were left by a run
// stopped between putting them in place. Empty when they agree or either
// is missing.
std::string CheckPublishedPair(const std::string& listPath, const std::string& companionPath,
                               LzssWindow& work) {
    std::vector<std::uint8_t> list, decoded;
    if (!ReadWholeFile(listPath, list, kMaxFieldLength).Ok() ||
        ::access(companionPath.c_str(), F_OK) != 0) {
        return {};
    }
    if (DecompressStoredFile(companionPath, work, decoded, TruncationReport::kSilent) ==
            StoredFileState::kWhole &&
        decoded == list) {
        return {};
    }
    return "the list " + listPath + " and its " + kCompanionSuffix +
           " did not agree (a run was stopped between them); both are written anew";
}

FileListResult Fail(FileListResult result, FileListOutcome outcome, std::string message) {
    result.outcome = outcome;
    result.message = std::move(message);
    return result;
}

std::string ListPathOf(const FileListRequest& request, const std::string& rootPath) {
    return request.listPath.empty() ? DefaultListPath(rootPath) : request.listPath;
}

// Before any work: a folder or link where the list or companion goes is
// never replaced. Empty when both may be written.
std::string UnreplaceableOutput(const std::string& listPath, const std::string& companionPath) {
    for (const std::string& output : {listPath, companionPath}) {
        if (const WriteOutcome refused = CheckReplaceable(output); !refused) {
            return "The file list was not written: " + DescribeWriteFailure(refused, output) + ".";
        }
    }
    return {};
}

// Writes the companion and the list, both complete before either is in
// place; the companion goes first, so a new list never stands beside an old
// companion. Empty when both are in place; else why not
// (kWriteErrorText shown).
std::string WritePair(const std::string& companionPath, std::span<const std::uint8_t> companion,
                      const std::string& listPath, std::span<const std::uint8_t> list) {
    struct Output {
        const std::string& path;
        std::span<const std::uint8_t> bytes;
        PendingFile file;
    };
    Output outputs[] = {{companionPath, companion, {}}, {listPath, list, {}}};
    for (const bool publishing : {false, true}) {
        for (Output& output : outputs) {
            const WriteOutcome written =
                publishing ? output.file.Publish() : output.file.Write(output.path, {output.bytes});
            if (!written) {
                MessageBoxOk(kWriteErrorText, output.path);
                return DescribeWriteFailure(written, output.path);
            }
        }
    }
    return {};
}

}  // namespace

FileListResult WriteFileList(const FileListRequest& request) {
    FileListResult result;
    if (std::string problem = RootFolderProblem(request.rootPath); !problem.empty()) {
        if (!request.rootPath.empty()) {
            result.listPath = ListPathOf(request, CanonicalFolder(request.rootPath));
        }
        return Fail(std::move(result), FileListOutcome::kNoRoot, std::move(problem));
    }
    const std::string rootPath = CanonicalFolder(request.rootPath);
    result.listPath = ListPathOf(request, rootPath);
    const std::string companionPath = result.listPath + kCompanionSuffix;
    if (std::string refused = UnreplaceableOutput(result.listPath, companionPath);
        !refused.empty()) {
        return Fail(std::move(result), FileListOutcome::kOutputNotRegular, std::move(refused));
    }
    const RootLock lock = RootLock::TryLock(rootPath);
    if (lock.GetState() == RootLock::State::kBusy) {
        return Fail(std::move(result), FileListOutcome::kRootBusy, lock.BusyMessage(rootPath));
    }
    result.findings.lockWarning = lock.Warning(rootPath);

    const std::string text = ComposeFileList(request, rootPath, Leftovers::kRemove, result);
    if (!result.Written()) {
        result.message = "The file list was not written: " + result.message;
        return result;
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    if (bytes.size() > kMaxFieldLength) {
        return Fail(std::move(result), FileListOutcome::kCannotWrite,
                    "The file list was not written: it would be 2 GiB or larger.");
    }
    const auto work = std::make_unique<LzssWindow>();
    result.mismatchWarning = CheckPublishedPair(result.listPath, companionPath, *work);
    std::vector<std::uint8_t> companion;
    CompressBuffer(bytes, *work, companion);
    if (std::string failed = WritePair(companionPath, companion, result.listPath, bytes);
        !failed.empty()) {
        return Fail(std::move(result), FileListOutcome::kCannotWrite, std::move(failed));
    }
    return result;
}

}  // namespace kelvarin
