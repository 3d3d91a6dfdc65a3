// The two steps of a file-list run and their hand-over to the GUI thread.
#include "app/file_list_run.h"

#include <memory>
#include <system_error>
#include <utility>

#include "codec/lzss_window.h"
#include "filelist/listed_files.h"
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
    if (!result.Written()) {
        End();
        AppMessageBox(result.message);
        return;
    }
    // The list is complete and in place; the user hears so before its
    // companion is written.
    AppMessageBox(kListCompletedText);
    const std::string listPath = result.listPath;
    try {
        // The root stays locked until the companion is written too.
        m_thread = std::jthread([this, listPath, lock = result.lock] {
            auto work = std::make_unique<LzssWindow>();
            const int written = WriteFileListCompanion(listPath, *work);
            QMetaObject::invokeMethod(
                this, [this, written, listPath] { OnCompanionWritten(written, listPath); },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error& error) {
        End();
        AppMessageBox(std::string("The file ") + listPath + kCompanionSuffix +
                      " could not be written: " + error.what());
    }
}

void FileListRun::OnCompanionWritten(int written, const std::string& listPath) {
    m_thread.join();
    End();
    if (written != 1) {
        AppMessageBox("The file " + listPath + kCompanionSuffix + " was not written.");
    }
}

void FileListRun::End() {
    m_running = false;
    m_ended();
}

}  // namespace kelvarin::app
