// The stored files that a worker has written but not yet put in place. They
// are flushed to disk together, with one flush of the file system, and only
// then renamed over their targets; the renames are flushed once more at the
// end. Each file's verdict is posted once the file is in place. One flush per
// batch rather than one per file, made on a thread of its own while the
// worker goes on, keeps an import of many small files about as fast as one
// that does not flush at all. Verdicts keep the worker's order: one batch
// at most is being put in place at a time. A stopped run lets the batch
// being put in place finish and gives up the files not yet on their way.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <future>
#include <string>
#include <vector>

#include "fileio/replace_file.h"
#include "platform/message_window.h"

namespace kelvarin {

// A batch is put in place when it holds this many files or bytes.
constexpr std::size_t kBatchFiles = 2048;
constexpr std::uint64_t kBatchBytes = 256u << 20;

class StoredFileBatch {
public:
    // Verdicts go to `window` as from worker `workerIndex`; a failure's
    // reason goes to `failureReasons` first. Once `stop` is set, no further
    // batch is begun. A batch holds up to `batchFiles` files.
    StoredFileBatch(std::string rootPath, MessageWindow& window, std::intptr_t workerIndex,
                    std::vector<std::string>& failureReasons, const std::atomic<bool>& stop,
                    std::size_t batchFiles = kBatchFiles);
    StoredFileBatch(const StoredFileBatch&) = delete;
    StoredFileBatch& operator=(const StoredFileBatch&) = delete;
    // Waits for a batch still being put in place.
    ~StoredFileBatch();

    // Takes the complete stored file of file `fileIndex`, whose verdict (added
    // or updated) is posted once it is in place; puts the batch in place
    // when it is full.
    void Add(std::size_t fileIndex, unsigned verdict, PendingFile file);

    // Puts every file taken in place and posts its verdict, or posts
    // WM_IMPORT_FAILED (after "error write file") for one that cannot be;
    // then flushes the renames of the whole run. Once `stop` is set, the
    // files not yet on their way are removed instead and each gets
    // WM_IMPORT_ABANDONED.
    void Finish();

private:
    struct Entry {
        std::size_t fileIndex;
        unsigned verdict;
        PendingFile file;
    };

    void WaitForBackground();
    // Flushes, renames and posts; true when some file was put in place.
    bool PublishEntries(std::vector<Entry>& entries) const;
    void AbandonEntries();
    bool Stopped() const { return m_stop.load(std::memory_order_relaxed); }

    std::string m_rootPath;
    MessageWindow& m_window;
    std::intptr_t m_workerIndex;
    std::vector<std::string>& m_failureReasons;
    const std::atomic<bool>& m_stop;
    std::vector<Entry> m_entries;
    std::uint64_t m_bytes = 0;
    std::size_t m_batchFiles;
    bool m_published = false;        // some file was put in place
    std::future<bool> m_background;  // the batch being put in place
};

}  // namespace kelvarin
