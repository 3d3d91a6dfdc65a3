#include "import/stored_file_batch.h"

#include <cstring>
#include <memory>
#include <system_error>
#include <utility>

#include "codec/stored_file.h"
#include "import/import_messages.h"
#include "platform/message_box.h"

namespace kelvarin {

StoredFileBatch::StoredFileBatch(std::string rootPath, MessageWindow& window,
                                 std::intptr_t workerIndex,
                                 std::vector<std::string>& failureReasons,
                                 const std::atomic<bool>& stop, std::size_t batchFiles)
    : m_rootPath(std::move(rootPath)),
      m_window(window),
      m_workerIndex(workerIndex),
      m_failureReasons(failureReasons),
      m_stop(stop),
      m_batchFiles(batchFiles) {}

StoredFileBatch::~StoredFileBatch() {
    WaitForBackground();
}

void StoredFileBatch::Add(std::size_t fileIndex, unsigned verdict, PendingFile file) {
    m_bytes += file.Size();
    m_entries.push_back({fileIndex, verdict, std::move(file)});
    if ((m_entries.size() >= m_batchFiles || m_bytes >= kBatchBytes) && !Stopped()) {
        // The flush waits for the disk; the worker goes on compressing.
        WaitForBackground();
        auto entries = std::make_shared<std::vector<Entry>>(std::exchange(m_entries, {}));
        m_bytes = 0;
        try {
            m_background = std::async(std::launch::async,
                                      [this, entries] { return PublishEntries(*entries); });
        } catch (const std::system_error&) {
            m_published = PublishEntries(*entries) || m_published;
        }
    }
}

void StoredFileBatch::Finish() {
    WaitForBackground();
    if (Stopped()) {
        AbandonEntries();
    }
    m_published = PublishEntries(m_entries) || m_published;
    m_entries.clear();
    m_bytes = 0;
    if (m_published) {
        FlushFileSystem(m_rootPath);  // the renames themselves, once for the run
    }
}

void StoredFileBatch::AbandonEntries() {
    for (Entry& entry : m_entries) {
        entry.file.Discard();
        m_window.PostMessage(WM_IMPORT_ABANDONED, entry.fileIndex, m_workerIndex);
    }
    m_entries.clear();
}

void StoredFileBatch::WaitForBackground() {
    if (m_background.valid()) {
        m_published = m_background.get() || m_published;
    }
}

bool StoredFileBatch::PublishEntries(std::vector<Entry>& entries) const {
    if (entries.empty()) {
        return false;
    }
    bool published = false;
    // Data first: a name must never reach the disk before its content.
    const int flushError = FlushFileSystem(m_rootPath);
    for (Entry& entry : entries) {
        const WriteOutcome outcome = flushError == 0
                                         ? entry.file.Publish(PendingFile::FolderFlush::kByCaller)
                                         : WriteOutcome{flushError};
        if (outcome) {
            published = true;
            m_window.PostMessage(entry.verdict, entry.fileIndex, m_workerIndex);
            continue;
        }
        MessageBoxOk(kWriteErrorText, entry.file.Path());
        m_failureReasons[entry.fileIndex] = DescribeWriteFailure(outcome, entry.file.Path());
        entry.file.Discard();
        m_window.PostMessage(WM_IMPORT_FAILED, entry.fileIndex, m_workerIndex);
    }
    return published;
}

}  // namespace kelvarin
