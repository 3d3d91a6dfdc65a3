#include "fileio/root_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstring>

namespace kelvarin {

RootLock RootLock::TryLock(const std::string& root) {
    RootLock lock;
    lock.m_fd = FileDescriptor(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    int result = lock.m_fd.IsOpen() ? ::flock(lock.m_fd.Get(), LOCK_EX | LOCK_NB) : -1;
    while (result != 0 && errno == EINTR) {
        result = ::flock(lock.m_fd.Get(), LOCK_EX | LOCK_NB);
    }
    if (result == 0) {
        lock.m_state = State::kHeld;
    } else if (errno == EWOULDBLOCK) {
        lock.m_state = State::kBusy;
    } else {
        // Some network file systems cannot lock at all; refusing every run
        // there would make the tool useless, so the caller warns instead.
        lock.m_reason = std::strerror(errno);
        lock.m_fd.Close();
    }
    return lock;
}

}  // namespace kelvarin
