// What a run's workers share with its receiver while they work: the bytes
// done so far, for a progress bar that moves inside large files, and a stop
// request. Both are atomics that a GUI timer or a signal path may read or set
// at any time; nothing else about a run is shared this way.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "import/import_messages.h"

namespace kelvarin {

struct ImportProgress {
    // Sum of the sizes of the dealt source files, taken when the run starts.
    std::uint64_t bytesTotal = 0;
    // Source bytes compared or compressed so far, over all workers. A file
    // that is compared and then compressed counts once: its count only
    // grows, and it reaches the file's size when the file is decided. Files
    // that fail before they are measured count nothing.
    std::atomic<std::uint64_t> bytesDone{0};
    // Per worker: how far it is into the file it is on (0 when it begins one).
    std::array<std::atomic<std::uint64_t>, kMaxImportWorkerCount> inFile{};
    // Set by the receiver: each worker finishes the file it is on, puts in
    // place what it has completed, posts WM_IMPORT_FINISHED, and starts no
    // further file (the dialog's close).
    std::atomic<bool> stopRequested{false};
    // Set with stopRequested when the process is being stopped (a signal):
    // each worker also gives up the file it is on (unless it is only being
    // put in place) and the complete files it has not yet put in place,
    // posts WM_IMPORT_ABANDONED for them, and lets a batch already being put
    // in place finish.
    std::atomic<bool> abandonRequested{false};

    void RequestAbandon() {
        abandonRequested.store(true);
        stopRequested.store(true);
    }
};

// Counts one file's bytes into the run's progress without counting any
// byte twice: the comparison and the compression that may follow it both
// report how far into the file they are.
class FileProgress {
public:
    // `size`: what the file counts once it is done, whether it was read
    // whole or not (a size that differs decides without reading).
    // REQUIRES: 0 <= worker < kMaxImportWorkerCount.
    FileProgress(ImportProgress* progress, std::uint64_t size, int worker)
        : m_progress(progress), m_size(size), m_worker(static_cast<std::size_t>(worker)) {
        if (m_progress != nullptr) {
            m_progress->inFile[m_worker].store(0, std::memory_order_relaxed);
        }
    }
    ~FileProgress() { Reached(m_size); }
    FileProgress(const FileProgress&) = delete;
    FileProgress& operator=(const FileProgress&) = delete;

    // The work on this file has reached `offset` bytes into it.
    void Reached(std::uint64_t offset) {
        if (m_progress != nullptr && offset > m_reported) {
            m_progress->bytesDone.fetch_add(offset - m_reported, std::memory_order_relaxed);
            m_progress->inFile[m_worker].store(offset, std::memory_order_relaxed);
            m_reported = offset;
        }
    }

private:
    ImportProgress* m_progress;
    std::uint64_t m_size;
    std::size_t m_worker;
    std::uint64_t m_reported = 0;
};

}  // namespace kelvarin
