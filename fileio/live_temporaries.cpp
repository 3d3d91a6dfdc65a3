// One lock serialises creating a temporary with removing them all: a
// temporary is created and remembered in one step, so none can slip in
// between the removal and the end of the process.
#include "fileio/live_temporaries.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <unordered_set>

namespace kelvarin {

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_set<std::string> paths;
    bool removed = false;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

FileDescriptor CreateLiveTemporary(const std::string& path) {
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    if (registry.removed) {
        errno = ECANCELED;
        return FileDescriptor();
    }
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.IsOpen()) {
        const int error = errno;
        registry.paths.insert(path);
        errno = error;
    }
    return file;
}

void ForgetLiveTemporary(const std::string& path) {
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    registry.paths.erase(path);
}

std::size_t RemoveLiveTemporaries() {
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    registry.removed = true;
    std::size_t count = 0;
    for (const std::string& path : registry.paths) {
        count += ::unlink(path.c_str()) == 0 ? 1 : 0;
    }
    registry.paths.clear();
    return count;
}

}  // namespace kelvarin
