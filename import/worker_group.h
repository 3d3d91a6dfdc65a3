// The threads of one import's workers. They are joined, never detached: the
// owner joins them once the last worker has posted WM_IMPORT_FINISHED, and
// the group joins whatever is left when it goes, so nothing a worker posts
// to or reads can be destroyed under it.
#pragma once

#include <thread>
#include <vector>

namespace kelvarin {

class WorkerGroup {
public:
    WorkerGroup() = default;
    WorkerGroup(WorkerGroup&&) = default;
    // Joins this group's threads before taking the other's.
    WorkerGroup& operator=(WorkerGroup&& other) noexcept;
    ~WorkerGroup() { Join(); }

    // A thread that was never started may be added; joining skips it.
    void Add(std::jthread thread) { m_threads.push_back(std::move(thread)); }

    // Waits for every thread of the group, then empties it.
    // REQUIRES: none of them waits for the calling thread (a worker may wait
    // for a message box on the GUI thread until it has posted its finish).
    void Join();

private:
    std::vector<std::jthread> m_threads;
};

}  // namespace kelvarin
