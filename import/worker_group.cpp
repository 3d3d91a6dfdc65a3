// Joining an import's worker threads.
#include "import/worker_group.h"

#include <utility>

namespace kelvarin {

WorkerGroup& WorkerGroup::operator=(WorkerGroup&& other) noexcept {
    if (this != &other) {
        Join();
        m_threads = std::move(other.m_threads);
    }
    return *this;
}

void WorkerGroup::Join() {
    for (std::jthread& thread : m_threads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
    m_threads.clear();
}

}  // namespace kelvarin
