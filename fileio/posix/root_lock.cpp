// The root's lock on POSIX: flock on the folder's own descriptor, and the
// holder named from /proc/locks where Linux gives it.
#include "fileio/root_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "fileio/file_descriptor.h"

namespace kelvarin {

struct RootLock::Hold {
    FileDescriptor fd;
};

void RootLock::HoldDeleter::operator()(Hold* hold) const {
    delete hold;
}

namespace {

// The holder of the flock on the folder open at `fd`, from /proc/locks
// ("1: FLOCK ADVISORY WRITE <pid> <major>:<minor>:<inode> 0 EOF") and the
// holder's command line; empty where the system does not say.
std::string DescribeHolder(int fd) {
    struct stat folder {};
    std::ifstream locks("/proc/locks");
    if (::fstat(fd, &folder) != 0 || !locks) {
        return {};
    }
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%llu", ::major(folder.st_dev),
                  ::minor(folder.st_dev), static_cast<unsigned long long>(folder.st_ino));
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, advisory, mode, pid, device;
        fields >> number >> kind >> advisory >> mode >> pid >> device;
        if (kind != "FLOCK" || device != wanted || pid == std::to_string(::getpid())) {
            continue;
        }
        std::ifstream cmdline("/proc/" + pid + "/cmdline");
        std::string command((std::istreambuf_iterator<char>(cmdline)),
                            std::istreambuf_iterator<char>());
        std::replace(command.begin(), command.end(), '\0', ' ');
        while (!command.empty() && command.back() == ' ') {
            command.pop_back();
        }
        return "process " + pid + (command.empty() ? "" : ", " + command);
    }
    return {};
}

}  // namespace

RootLock RootLock::TryLock(const std::string& root) {
    RootLock lock;
    lock.m_hold.reset(new Hold);
    FileDescriptor& fd = lock.m_hold->fd;
    fd = FileDescriptor(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    int result = fd.IsOpen() ? ::flock(fd.Get(), LOCK_EX | LOCK_NB) : -1;
    while (result != 0 && errno == EINTR) {
        result = ::flock(fd.Get(), LOCK_EX | LOCK_NB);
    }
    if (result == 0) {
        lock.m_state = State::kHeld;
    } else if (errno == EWOULDBLOCK) {
        lock.m_state = State::kBusy;
        lock.m_reason = DescribeHolder(fd.Get());
    } else {
        // Some network file systems cannot lock at all; refusing every run
        // there would make the tool useless, so the caller warns instead.
        lock.m_reason = std::strerror(errno);
        lock.m_hold.reset();
    }
    return lock;
}

}  // namespace kelvarin
