#include "filelist/file_list_generator.h"

#include <sys/stat.h>

#include <unistd.h>

#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "fileio/file_reader.h"
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

bool IsThereButNotRegular(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

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
    const std::string companionPath = result.listPath + kCompanionSuffix;
    for (const std::string& output : {result.listPath, companionPath}) {
        if (IsThereButNotRegular(output)) {
            return Fail(std::move(result), FileListOutcome::kOutputNotRegular,
                        "The file list was not written: " +
                            DescribeWriteFailure({EEXIST, true}, output) + ".");
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
        return Fail(std::move(result), FileListOutcome::kUnreadableFolder,
                    "The file list was not written: the folder " + unreadable.front().path +
                        " cannot be read (" + unreadable.front().reason + ").");
    }
    result.findings.leftoversRemoved = RemoveLeftoverTemporaries(scanned);
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
    result.fileCount = count;
    result.totalBytes = totalBytes;
    return result;
}

}  // namespace kelvarin
