// Helpers of the import tests: a message window that lets a test wait for
// the workers, runs of one worker on the test's own thread, and views of
// the recorded messages per worker.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "import/import_job.h"
#include "platform/message_window.h"
#include "tests/support/recorders.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {

// Records every message and wakes a waiting test when a worker finishes.
class WaitingMessageWindow final : public MessageWindow {
public:
    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

    // Waits until `count` WM_IMPORT_FINISHED messages have arrived. The
    // deadline (minutes) only keeps a broken import from hanging the run;
    // returns false when it passed.
    bool WaitForFinished(int count);

    std::vector<RecordedMessage> Messages() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_finished;
    std::vector<RecordedMessage> m_messages;
    int m_finishedCount = 0;
};

// The messages of worker `workerIndex`, in the order it posted them.
std::vector<RecordedMessage> MessagesOfWorker(const std::vector<RecordedMessage>& messages,
                                              std::intptr_t workerIndex);

// Runs one worker to its end on the calling thread and returns its messages.
std::vector<RecordedMessage> RunWorker(std::string rootPath, std::string sourceRoot,
                                       std::vector<std::string> files, bool dryRun = false,
                                       std::int32_t workerIndex = 0);

// The content of a stored file, decoded in a fresh work area; the stream
// must reach its end marker.
Bytes StoredContent(const std::string& storedPath);

// Sets a file's access and modification times to a fixed moment long past,
// so that any rewrite shows.
void SetOldTimes(const std::string& path);

struct FileStamp {
    std::int64_t modifiedSeconds = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

// Tells whether a file's content has been read since the watch began: the
// kernel queues IN_ACCESS inside every read of the file, so the answer is
// there as soon as the reader returns.
class ReadWatch {
public:
    explicit ReadWatch(const std::string& path);
    ~ReadWatch();
    ReadWatch(const ReadWatch&) = delete;
    ReadWatch& operator=(const ReadWatch&) = delete;

    bool ContentWasRead() const;

private:
    int m_fd;
};

}  // namespace kelvarin::test
