// The dialog's Generate File List after its save dialog: the list and its
// companion are written on a background thread, which hands its result back
// to the GUI thread through the view and is joined there once it has done
// so; the thread may wait for an "error write file" box on the GUI thread
// before that, never after.
//
// Progress reaches the GUI thread as the latest state only: at most one
// hand-over is on its way at a time, so listing many small files never
// floods the event loop. A run can be asked to stop: it then begins no
// further file and writes nothing, so the old list and .bin stay.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "dialog/dialog_view.h"
#include "filelist/file_list_generator.h"

namespace kelvarin {

class FileListRun {
public:
    // Called on the GUI thread as files are listed.
    using Progress = std::function<void(std::size_t done, std::size_t total, const std::string&)>;
    // Called on the GUI thread once a run is over, written or not.
    using Ended = std::function<void(const FileListResult&)>;

    // REQUIRES: `view` outlives the run.
    FileListRun(DialogView& view, Progress progress, Ended ended);
    // REQUIRES: not Running() (the dialog does not close while it is).
    ~FileListRun() = default;

    bool Running() const { return m_running; }

    // Asks the running run to stop; it ends as kStopped unless it was done.
    void RequestStop() { m_stop.store(true); }

    // Starts a run. A thread that cannot be started ends it at once, with a
    // result that says so. REQUIRES: not Running(); called on the GUI thread.
    void Start(FileListRequest request);

private:
    struct Latest {
        std::size_t done = 0;
        std::size_t total = 0;
        std::string name;
    };

    void Report(std::size_t done, std::size_t total, const std::string& name);
    void ShowLatest();
    void OnListWritten(const FileListResult& result);

    DialogView& m_view;
    Progress m_progress;
    Ended m_ended;
    bool m_running = false;
    std::atomic<bool> m_stop{false};
    std::mutex m_latestMutex;
    Latest m_latest;
    bool m_latestQueued = false;
    std::jthread m_thread;
};

}  // namespace kelvarin
