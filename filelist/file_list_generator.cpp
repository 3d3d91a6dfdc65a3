#include "filelist/file_list_generator.h"

#include <sys/stat.h>

#include <span>

#include "codec/compressor.h"
#include "fileio/folders.h"
#include "fileio/replace_file.h"
#include "filelist/list_format.h"
#include "filelist/listed_file_digests.h"
#include "filelist/listed_files.h"
#include "filelist/pack_flag.h"
#include "platform/message_box.h"
#include "scan/collect_files.h"

namespace kelvarin {

namespace {

constexpr char kWriteErrorText[] = "error write file";
// A list line is about 180 bytes plus the name.
constexpr std::size_t kLineEstimate = 200;

FileListResult Fail(FileListResult result, FileListOutcome outcome, std::string message) {
    result.outcome = outcome;
    result.message = std::move(message);
    return result;
}

}  // namespace

FileListResult WriteFileList(const FileListRequest& request) {
    FileListResult result;
    if (request.rootPath.empty()) {
        return Fail(std::move(result), FileListOutcome::kNoRoot,
                    "No root folder is set; choose one first.");
    }
    const std::string rootPath = CanonicalFolder(request.rootPath);
    result.listPath = request.listPath.empty() ? DefaultListPath(rootPath) : request.listPath;
    if (const std::string why = WhyNotAFolder(rootPath); !why.empty()) {
        return Fail(std::move(result), FileListOutcome::kNoRoot,
                    "The root folder " + request.rootPath + " " + why + ".");
    }
    auto lock = std::make_shared<RootLock>(RootLock::TryLock(rootPath));
    if (lock->GetState() == RootLock::State::kBusy) {
        return Fail(std::move(result), FileListOutcome::kRootBusy,
                    "Another run is working on the root folder " + rootPath +
                        "; try again when it has finished.");
    }
    if (lock->GetState() == RootLock::State::kUnsupported) {
        result.lockWarning = "the root folder " + rootPath + " cannot be locked (" +
                             lock->Reason() + "); the run goes on without the lock";
    }
    result.lock = std::move(lock);

    std::vector<std::string> scanned;
    std::vector<UnreadableFolder> unreadable;
    CollectFiles(rootPath, scanned, &unreadable);
    if (!unreadable.empty()) {
        const std::string prefix = RootPrefix(rootPath);
        for (const UnreadableFolder& folder : unreadable) {
            result.problemFiles.push_back(
                folder.path.starts_with(prefix) ? folder.path.substr(prefix.size()) : folder.path);
        }
        return Fail(std::move(result), FileListOutcome::kUnreadableFolder,
                    "The file list was not written: the folder " + unreadable.front().path +
                        " cannot be read (" + unreadable.front().reason + ").");
    }
    ListedFiles listed = SelectListedFiles(rootPath, std::move(scanned));
    const std::size_t prefixLength = RootPrefix(rootPath).size();
    if (!listed.refusals.empty()) {
        std::string message = "The client cannot hold the names of these files under " + rootPath +
                              "; no file list was written:";
        for (UnlistableFile& refused : listed.refusals) {
            message += "\n  " + refused.path + ": " + refused.reason;
            result.problemFiles.push_back(std::move(refused.path));
        }
        return Fail(std::move(result), FileListOutcome::kRefusedNames, std::move(message));
    }

    const ExclusionList exclusions(request.excludeList);
    const std::size_t count = listed.paths.size();
    std::string text;
    text.reserve(count * kLineEstimate + 64);
    AppendListHead(text, static_cast<std::int32_t>(count));
    std::uint64_t totalBytes = 0;
    const auto failure = DigestListedFiles(
        listed.paths, DigestOptions{request.workers},
        [&](std::size_t index, const FileDigests& digests) {
            const std::string& name = listed.names[index];
            AppendFileElement(text, ListedFile{name, PackFlag(name, exclusions),
                                               static_cast<std::int32_t>(digests.length),
                                               digests.md5, digests.md5x});
            totalBytes += digests.length;
            if (!digests.whole && name.ends_with(".aup")) {
                result.damagedFiles.push_back(listed.paths[index].substr(prefixLength));
            }
            if (request.progress) {
                request.progress(index + 1, count, name);
            }
        });
    if (failure) {
        result.problemFiles.push_back(listed.paths[failure->index].substr(prefixLength));
        return Fail(std::move(result), FileListOutcome::kUnreadableFile,
                    "The file list was not written: " + failure->reason);
    }
    AppendListEnd(text);

    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    if (const WriteOutcome written = WriteFileReplacing(result.listPath, bytes); !written) {
        MessageBoxOk(kWriteErrorText, result.listPath);
        return Fail(std::move(result), FileListOutcome::kCannotWrite,
                    DescribeWriteFailure(written, result.listPath));
    }
    result.fileCount = count;
    result.totalBytes = totalBytes;
    return result;
}

int WriteFileListCompanion(const std::string& listPath, LzssWindow& work) {
    return CompressFile(listPath, listPath + kCompanionSuffix, work);
}

}  // namespace kelvarin
