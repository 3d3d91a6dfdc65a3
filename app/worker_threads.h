// The threads of the dialog's background work (the four import workers of
// each import, the file-list run). Unlike a detached thread, each one is
// kept until it has been joined, so that the dialog can be sure no thread
// still posts to it, or still runs through its last lines, before the
// dialog and its message window are destroyed.
#pragma once

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "import/import_job.h"

namespace kelvarin::app {

class WorkerThreads {
public:
    WorkerThreads() = default;
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;
    // Joins every thread still kept.
    ~WorkerThreads();

    // Runs ImportWorker on `job` on a new thread, which then owns the job.
    // Throws std::system_error when no thread can be started; the job is
    // then freed.
    void LaunchImportWorker(std::unique_ptr<ImportJob> job);

    // Runs `work` on a new thread. Throws std::system_error when no thread
    // can be started.
    void Launch(std::function<void()> work);

    // Waits for every thread started so far.
    // REQUIRES: none of them waits for the calling thread.
    void JoinAll();

private:
    std::vector<std::thread> m_threads;
};

}  // namespace kelvarin::app
