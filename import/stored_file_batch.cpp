#include "import/stored_file_batch.h"

#include <cstring>
#include <utility>

#include "import/import_messages.h"
#include "platform/message_box.h"

namespace kelvarin {

namespace {

constexpr char kWriteError[] = "error write file";

}  // namespace

StoredFileBatch::StoredFileBatch(std::string rootPath, MessageWindow& window,
                                 std::intptr_t workerIndex,
                                 std::vector<std::string>& failureReasons)
    : m_rootPath(std::move(rootPath)),
      m_window(window),
      m_workerIndex(workerIndex),
      m_failureReasons(failureReasons) {}

void StoredFileBatch::Add(std::size_t fileIndex, unsigned verdict, PendingFile file) {
    m_bytes += file.Size();
    m_entries.push_back({fileIndex, verdict, std::move(file)});
    if (m_entries.size() >= kBatchFiles || m_bytes >= kBatchBytes) {
        Publish();
    }
}

void StoredFileBatch::Publish() {
    if (m_entries.empty()) {
        return;
    }
    // Data first: a name must never reach the disk before its content.
    const int flushError = FlushFileSystem(m_rootPath);
    for (Entry& entry : m_entries) {
        const WriteOutcome published =
            flushError == 0 ? entry.file.Publish(false) : WriteOutcome{flushError};
        if (published) {
            m_published = true;
            m_window.PostMessage(entry.verdict, entry.fileIndex, m_workerIndex);
            continue;
        }
        MessageBoxOk(kWriteError, entry.file.Path());
        m_failureReasons[entry.fileIndex] = DescribeWriteFailure(published, entry.file.Path());
        entry.file.Discard();
        m_window.PostMessage(WM_IMPORT_FAILED, entry.fileIndex, m_workerIndex);
    }
    m_entries.clear();
    m_bytes = 0;
}

void StoredFileBatch::Finish() {
    const bool renamed = !m_entries.empty() || m_published;
    Publish();
    if (renamed) {
        FlushFileSystem(m_rootPath);  // the renames themselves, once for the run
    }
}

}  // namespace kelvarin
