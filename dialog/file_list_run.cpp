// A file-list run and its hand-over to the GUI thread.
#include "dialog/file_list_run.h"

#include <memory>
#include <system_error>
#include <utility>

namespace kelvarin {

FileListRun::FileListRun(DialogView& view, Progress progress, Ended ended)
    : m_view(view), m_progress(std::move(progress)), m_ended(std::move(ended)) {}

void FileListRun::Start(FileListRequest request) {
    request.progress = [this](std::size_t done, std::size_t total, const std::string& name) {
        Report(done, total, name);
    };
    m_stop.store(false);
    request.stop = &m_stop;
    m_running = true;
    try {
        m_thread = std::jthread([this, request = std::move(request)] {
            auto result = std::make_shared<FileListResult>(WriteFileList(request));
            m_view.PostToGui([this, result] { OnListWritten(*result); });
        });
    } catch (const std::system_error& error) {
        FileListResult result;
        result.outcome = FileListOutcome::kCannotWrite;
        result.message = std::string("The file list could not be started: ") + error.what();
        m_running = false;
        m_ended(result);
    }
}

void FileListRun::Report(std::size_t done, std::size_t total, const std::string& name) {
    const std::lock_guard lock(m_latestMutex);
    m_latest = {done, total, name};
    if (!m_latestQueued) {
        m_latestQueued = true;
        m_view.PostToGui([this] { ShowLatest(); });
    }
}

void FileListRun::ShowLatest() {
    Latest latest;
    {
        const std::lock_guard lock(m_latestMutex);
        latest = std::move(m_latest);
        m_latestQueued = false;
    }
    if (m_running) {
        m_progress(latest.done, latest.total, latest.name);
    }
}

void FileListRun::OnListWritten(const FileListResult& result) {
    m_thread.join();
    m_running = false;
    m_ended(result);
}

}  // namespace kelvarin
