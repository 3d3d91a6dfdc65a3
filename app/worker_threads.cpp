// Background threads that are joined, never detached.
#include "app/worker_threads.h"

#include <utility>

#include "import/import_worker.h"

namespace kelvarin::app {

WorkerThreads::~WorkerThreads() {
    JoinAll();
}

void WorkerThreads::LaunchImportWorker(std::unique_ptr<ImportJob> job) {
    m_threads.reserve(m_threads.size() + 1);
    m_threads.emplace_back(ImportWorker, job.get());
    // The worker frees the job; had the thread not started, emplace_back
    // would have thrown and `job` would still free it.
    job.release();
}

void WorkerThreads::Launch(std::function<void()> work) {
    m_threads.reserve(m_threads.size() + 1);
    m_threads.emplace_back(std::move(work));
}

void WorkerThreads::JoinAll() {
    for (std::thread& thread : m_threads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
    m_threads.clear();
}

}  // namespace kelvarin::app
