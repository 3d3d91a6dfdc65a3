#include "filelist/file_list_generator.h"

#include <unistd.h>

#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "fileio/file_reader.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "fileio/replace_file.h"
#include "filelist/compose_file_list.h"
#include "filelist/listed_files.h"
#include "platform/message_box.h"

namespace kelvarin {

namespace {

constexpr char kWriteErrorText[] = "error write file";

// A list and companion in place that do not agree were left by a run
// stopped between putting them in place. Empty when they agree or either
// is missing.
std::string CheckPublishedPair(const std::string& listPath, const std::string& companionPath,
                               LzssWindow& work) {
    std::vector<std::uint8_t> list, decoded;
    if (!ReadWholeFile(listPath, list, kMaxContentSize).Ok() ||
        ::access(companionPath.c_str(), F_OK) != 0) {
        return {};
    }
    if (DecompressStoredFile(companionPath, work, decoded, false) == StoredFileState::kWhole &&
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

}  // namespace

FileListResult WriteFileList(const FileListRequest& request) {
    FileListResult result;
    if (std::string problem = RootFolderProblem(request.rootPath); !problem.empty()) {
        if (!request.rootPath.empty()) {
            result.listPath = request.listPath.empty()
                                  ? DefaultListPath(CanonicalFolder(request.rootPath))
                                  : request.listPath;
        }
        return Fail(std::move(result), FileListOutcome::kNoRoot, std::move(problem));
    }
    const std::string rootPath = CanonicalFolder(request.rootPath);
    result.listPath = request.listPath.empty() ? DefaultListPath(rootPath) : request.listPath;
    const std::string companionPath = result.listPath + kCompanionSuffix;
    for (const std::string& output : {result.listPath, companionPath}) {
        if (const WriteOutcome refused = CheckReplaceable(output); !refused) {
            return Fail(
                std::move(result), FileListOutcome::kOutputNotRegular,
                "The file list was not written: " + DescribeWriteFailure(refused, output) + ".");
        }
    }
    const RootLock lock = RootLock::TryLock(rootPath);
    if (lock.GetState() == RootLock::State::kBusy) {
        return Fail(std::move(result), FileListOutcome::kRootBusy, lock.BusyMessage(rootPath));
    }
    if (lock.GetState() == RootLock::State::kUnsupported) {
        result.findings.lockWarning = "the root folder " + rootPath + " cannot be locked (" +
                                      lock.Reason() + "); the run goes on without the lock";
    }

    std::string text;
    if (!ComposeFileList(request, rootPath, true, result, text)) {
        result.message = "The file list was not written: " + result.message;
        return result;
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    if (bytes.size() > kMaxContentSize) {
        return Fail(std::move(result), FileListOutcome::kCannotWrite,
                    "The file list was not written: it would be 2 GiB or larger.");
    }
    const auto work = std::make_unique<LzssWindow>();
    result.mismatchWarning = CheckPublishedPair(result.listPath, companionPath, *work);
    std::vector<std::uint8_t> companion;
    CompressBuffer(bytes, *work, companion);

    // Both complete before either is in place; the companion goes first, so
    // a new list never stands beside an old companion.
    struct Output {
        const std::string& path;
        std::span<const std::uint8_t> bytes;
        PendingFile file;
    };
    Output outputs[] = {{companionPath, companion, {}}, {result.listPath, bytes, {}}};
    for (const bool publishing : {false, true}) {
        for (Output& output : outputs) {
            const WriteOutcome written =
                publishing ? output.file.Publish() : output.file.Write(output.path, {output.bytes});
            if (!written) {
                MessageBoxOk(kWriteErrorText, output.path);
                return Fail(std::move(result), FileListOutcome::kCannotWrite,
                            DescribeWriteFailure(written, output.path));
            }
        }
    }
    return result;
}

}  // namespace kelvarin
