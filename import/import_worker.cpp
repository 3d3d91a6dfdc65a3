// One worker's loop. Each file is decided in the order: can the source be
// read, is there a stored file, does its content equal the source; only a
// complete new stored file ever replaces an old one (CompressFile writes a
// temporary and renames it), and a failure is posted as such rather than as
// a success.
#include "import/import_worker.h"

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "codec/compressor.h"
#include "codec/lzss_window.h"
#include "fileio/file_status.h"
#include "import/compare_file.h"
#include "import/import_messages.h"
#include "import/stored_file_batch.h"
#include "import/stored_path.h"
#include "platform/message_box.h"

namespace kelvarin {

namespace {

constexpr char kPathError[] = "path has error!";

// Only regular files are stored: anything else (a FIFO would block the
// reader, a dangling link names nothing) cannot be read as a source. Empty
// for a regular file, whose size goes to `size`; else why it cannot be
// stored.
std::string WhyNotStorable(const std::string& path, std::uint64_t& size) {
    const FileStatus status = StatusOf(path);
    if (status.kind == FileKind::kUnknown) {
        return std::string("cannot read the source: ") + std::strerror(status.error);
    }
    size = status.size;
    return status.kind == FileKind::kRegular ? std::string() : "the source is not a regular file";
}

// The link on the way down to `dest` when one leads there: nothing is
// written through it. One look-up for the folder, none when there are no links.
const std::string* LinkOnTheWay(const ImportJob& job, const std::string& dest) {
    if (job.linkedFolders == nullptr || job.linkedFolders->empty()) {
        return nullptr;
    }
    const auto found = job.linkedFolders->find(DirectoryPart(dest));
    return found == job.linkedFolders->end() ? nullptr : &found->second;
}

// Brings the stored file of one source file up to date and returns the
// message that says what happened, or 0 when the stored file was already
// up to date. A dry run checks what can be known without writing (the
// source read whole, the stored file's size and names) and so fails what
// the real run would fail.
unsigned ImportOneFile(const ImportJob& job, const std::string& path, const std::string& dest,
                       std::size_t nameLimit, LzssWindow& work, StoredFileComparer& comparer,
                       std::string& why, PendingFile& written) {
    if (const std::string* link = LinkOnTheWay(job, dest)) {
        why = BehindLinkText(*link);
        return WM_IMPORT_FAILED;
    }
    std::uint64_t size = 0;
    why = WhyNotStorable(path, size);
    if (!why.empty()) {
        return WM_IMPORT_FAILED;
    }
    // Whatever the verdict, the whole file counts as done once decided.
    FileProgress progress(job.progress.get(), size, job.workerIndex);
    const auto reached = [&progress](std::uint64_t offset) { progress.Reached(offset); };
    // A stored file whose stream ends before its end marker, or whose
    // length field disagrees with its content, is damaged, even where the
    // bytes decoded so far equal the source: it is written anew.
    const StoredVerdict verdict = comparer.Compare(dest, path, work, reached);
    if (verdict == StoredVerdict::kSame) {
        return 0;
    }
    const unsigned done = verdict == StoredVerdict::kMissing ? WM_IMPORT_ADDED : WM_IMPORT_UPDATED;
    // Refused before the work: it would fail only once the file is written.
    why = WhyStoredNameTooLong(job.rootPath, dest, nameLimit);
    if (!why.empty()) {
        return WM_IMPORT_FAILED;
    }
    // "error write file" has been shown when it could not be written; the
    // old stored file is then left as it was.
    StoreOptions options;
    options.flushData = false;
    options.progress = reached;
    options.stop = &job.progress->abandonRequested;
    options.maxStoredSize = job.maxStoredSize;
    const StoreOutcome outcome = job.dryRun ? CheckStorable(path, work, options)
                                            : PrepareStoredFile(path, dest, work, written, options);
    if (outcome.stopped) {
        return WM_IMPORT_ABANDONED;
    }
    why = outcome.problem;
    return why.empty() ? done : WM_IMPORT_FAILED;
}

}  // namespace

void ImportWorker(ImportJob* job) {
    const std::unique_ptr<ImportJob> owned(job);
    MessageWindow& window = *owned->hwndDialog;
    const auto workerIndex = static_cast<std::intptr_t>(owned->workerIndex);

    // One work area for every file and both directions. Value-initialised:
    // a fresh window is zero-filled, so one list of files always gives the
    // same stored bytes.
    LzssWindow work{};
    StoredFileComparer comparer;

    const std::vector<std::string>& files = *owned->files;
    std::vector<std::string>& reasons = *owned->failureReasons;
    std::string why;
    StoredFileBatch batch(owned->rootPath, window, workerIndex, reasons,
                          owned->progress->abandonRequested);
    const std::size_t nameLimit = NameLimitOf(owned->rootPath);
    for (std::size_t i = 0; i < files.size(); ++i) {
        // A stop leaves the files not begun as they are; an abandon also
        // gives up the one in work, so a stopped process publishes only what
        // was already on its way into place.
        if (owned->progress->stopRequested.load(std::memory_order_relaxed)) {
            break;
        }
        const std::string& path = files[i];
        const std::optional<std::string_view> relative = RelativeToFolder(path, owned->sourceRoot);
        if (!relative) {
            // No stored file can be named for it; storing it anywhere would
            // put content under a wrong name.
            MessageBoxOk(kPathError, path);
            reasons[i] = kPathError;
            window.PostMessage(WM_IMPORT_PROGRESS, i, workerIndex);
            window.PostMessage(WM_IMPORT_FAILED, i, workerIndex);
            continue;
        }
        const std::string dest = StoredFilePath(owned->rootPath, *relative);
        window.PostMessage(WM_IMPORT_PROGRESS, i, workerIndex);
        PendingFile written;
        const unsigned done =
            ImportOneFile(*owned, path, dest, nameLimit, work, comparer, why, written);
        if (done == WM_IMPORT_FAILED) {
            reasons[i] = std::move(why);
        }
        if (written.IsPending()) {
            batch.Add(i, done, std::move(written));
        } else if (done != 0) {
            window.PostMessage(done, i, workerIndex);
        }
    }
    batch.Finish();
    window.PostMessage(WM_IMPORT_FINISHED, 0, workerIndex);
}

}  // namespace kelvarin
