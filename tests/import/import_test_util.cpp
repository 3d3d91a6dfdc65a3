// The waiting window notifies under its lock, and a test's worker runs on the
// test thread, so a test sees every message of a run once it has returned.
#include "tests/import/import_test_util.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <stdexcept>

#include "codec/decompressor.h"
#include "import/import_messages.h"
#include "import/import_worker.h"

namespace kelvarin::test {

namespace {
// Far beyond any import of a test's few files, even under a sanitizer.
constexpr auto kFinishDeadline = std::chrono::minutes(3);
}  // namespace

void WaitingMessageWindow::PostMessage(unsigned message, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
    std::lock_guard lock(m_mutex);
    m_messages.push_back({message, wParam, lParam});
    if (message == WM_IMPORT_FINISHED) {
        ++m_finishedCount;
        // Notified under the lock: once the waiter holds the lock again the
        // poster no longer touches this object.
        m_finished.notify_all();
    }
}

bool WaitingMessageWindow::WaitForFinished(int count) {
    std::unique_lock lock(m_mutex);
    return m_finished.wait_for(lock, kFinishDeadline,
                               [this, count] { return m_finishedCount >= count; });
}

std::vector<RecordedMessage> WaitingMessageWindow::Messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<RecordedMessage> MessagesOfWorker(const std::vector<RecordedMessage>& messages,
                                              std::intptr_t workerIndex) {
    std::vector<RecordedMessage> own;
    for (const RecordedMessage& message : messages) {
        if (message.lParam == workerIndex) {
            own.push_back(message);
        }
    }
    return own;
}

std::vector<RecordedMessage> RunWorker(std::string rootPath, std::string sourceRoot,
                                       std::vector<std::string> files, bool dryRun,
                                       std::int32_t workerIndex) {
    RecordingMessageWindow window;
    auto job = std::make_unique<ImportJob>();
    job->hwndDialog = &window;
    job->rootPath = std::move(rootPath);
    job->sourceRoot = std::move(sourceRoot);
    job->files = std::move(files);
    job->workerIndex = workerIndex;
    job->dryRun = dryRun;
    ImportWorker(job.release());
    return window.Messages();
}

Bytes StoredContent(const std::string& storedPath) {
    auto work = std::make_unique<LzssWindow>();
    Bytes content;
    if (DecompressFile(storedPath, *work, content) != 1) {
        ADD_FAILURE() << storedPath << " is not a complete stored file";
    }
    return content;
}

void SetOldTimes(const std::string& path) {
    // 2001-09-09, whole seconds: nothing the test run writes can carry it.
    const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
        throw std::runtime_error("cannot set the times of " + path);
    }
}

FileStamp StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        throw std::runtime_error("cannot stat " + path);
    }
    return FileStamp{static_cast<std::int64_t>(info.st_mtim.tv_sec),
                     static_cast<std::uint64_t>(info.st_ino)};
}

ReadWatch::ReadWatch(const std::string& path) : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (m_fd >= 0 && ::inotify_add_watch(m_fd, path.c_str(), IN_ACCESS) >= 0) {
        return;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    throw std::runtime_error("cannot watch " + path);
}

ReadWatch::~ReadWatch() {
    ::close(m_fd);
}

bool ReadWatch::ContentWasRead() const {
    alignas(inotify_event) char events[4096];
    return ::read(m_fd, events, sizeof events) > 0;
}

}  // namespace kelvarin::test
