// A file-list run and its hand-over to the GUI thread.
#include "app/file_list_run.h"

#include <memory>
#include <system_error>
#include <utility>

#include "platform/message_box.h"

namespace kelvarin::app {

namespace {

constexpr char kListCompletedText[] = "Generate file list completed!";

}  // namespace

FileListRun::FileListRun(Progress progress, std::function<void()> ended)
    : m_progress(std::move(progress)), m_ended(std::move(ended)) {}

void FileListRun::Start(FileListRequest request) {
    request.progress = [this](std::size_t done, std::size_t total, const std::string& name) {
        QMetaObject::invokeMethod(
            this, [this, done, total, name] { m_progress(done, total, name); },
            Qt::QueuedConnection);
    };
    m_running = true;
    try {
        m_thread = std::jthread([this, request = std::move(request)] {
            FileListResult result = WriteFileList(request);
            QMetaObject::invokeMethod(
                this, [this, result = std::move(result)] { OnListWritten(result); },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error& error) {
        End();
        AppMessageBox(std::string("The file list could not be started: ") + error.what());
    }
}

void FileListRun::OnListWritten(const FileListResult& result) {
    m_thread.join();
    End();
    if (!result.Written()) {
        AppMessageBox(result.message);
        return;
    }
    std::vector<std::string> notes = RunNotes(result.findings);
    if (!result.mismatchWarning.empty()) {
        notes.push_back(result.mismatchWarning);
    }
    if (!notes.empty()) {
        std::string text = "Note:";
        for (const std::string& note : notes) {
            text += "\n" + note;
        }
        AppMessageBox(text);
    }
    // Said only once the list and its companion are both in place.
    AppMessageBox(kListCompletedText);
}

void FileListRun::End() {
    m_running = false;
    m_ended();
}

}  // namespace kelvarin::app
