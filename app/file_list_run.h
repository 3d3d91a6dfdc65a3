// The dialog's Generate File List after its save dialog: the list and its
// companion are written on a background thread, which hands its result back
// to the GUI thread through a queued call and is joined there once it has
// done so; the thread may wait for an "error write file" box on the GUI
// thread before that, never after. "Generate file list completed!" is shown
// once both files are in place.
#pragma once

#include <QObject>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>

#include "filelist/file_list_generator.h"

namespace kelvarin::app {

class FileListRun final : public QObject {
public:
    // Called on the GUI thread as files are listed.
    using Progress = std::function<void(std::size_t done, std::size_t total, const std::string&)>;

    // `progress` reports the list step; `ended` is called once a run is over,
    // written or not.
    FileListRun(Progress progress, std::function<void()> ended);
    // Waits for a thread that is still going. REQUIRES: not Running() (the
    // dialog does not close while it is).
    ~FileListRun() override = default;

    bool Running() const { return m_running; }

    // Starts a run. A thread that cannot be started ends it at once, with a
    // message box. REQUIRES: not Running(); called on the GUI thread.
    void Start(FileListRequest request);

private:
    void OnListWritten(const FileListResult& result);
    void End();

    Progress m_progress;
    std::function<void()> m_ended;
    bool m_running = false;
    std::jthread m_thread;
};

}  // namespace kelvarin::app
