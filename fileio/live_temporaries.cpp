// A temporary is remembered before it is created, outside the lock, so that
// workers create files at once; removing them all waits for creations under
// way, so none can slip in between the removal and the end of the process.
#include "fileio/live_temporaries.h"

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <unordered_set>

#include "fileio/file_calls.h"

namespace kelvarin {

namespace {

struct Registry {
    std::mutex mutex;
    std::condition_variable created;
    std::unordered_set<std::string> paths;
    int creating = 0;  // open() calls under way
    bool removed = false;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

FileDescriptor CreateLiveTemporary(const std::string& path) {
    Registry& registry = TheRegistry();
    {
        const std::lock_guard lock(registry.mutex);
        if (registry.removed) {
            errno = ECANCELED;
            return FileDescriptor();
        }
        registry.paths.insert(path);
        ++registry.creating;
    }
    FileDescriptor file = CreateNewFile(path);
    const int error = errno;
    const std::lock_guard lock(registry.mutex);
    if (--registry.creating == 0) {
        registry.created.notify_all();
    }
    if (!file.IsOpen() || registry.removed) {
        registry.paths.erase(path);  // a file that was there already is not ours
        if (file.IsOpen()) {
            RemoveFileNamed(path);  // the removal is waiting for this one
            errno = ECANCELED;
            return FileDescriptor();
        }
        errno = error;
        return FileDescriptor();
    }
    errno = error;
    return file;
}

void ForgetLiveTemporary(const std::string& path) {
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    registry.paths.erase(path);
}

std::size_t RemoveLiveTemporaries() {
    Registry& registry = TheRegistry();
    std::unique_lock lock(registry.mutex);
    registry.removed = true;
    registry.created.wait(lock, [&registry] { return registry.creating == 0; });
    std::size_t count = 0;
    for (const std::string& path : registry.paths) {
        count += RemoveFileNamed(path) == 0 ? 1 : 0;
    }
    registry.paths.clear();
    return count;
}

}  // namespace kelvarin
