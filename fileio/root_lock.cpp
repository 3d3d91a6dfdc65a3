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

namespace kelvarin {

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

std::string RootLock::BusyMessage(const std::string& root) const {
    return "Another run is working on the root folder " + root +
           (m_reason.empty() ? "" : " (" + m_reason + ")") + "; try again when it has finished.";
}

std::string RootLock::Warning(const std::string& root, std::string_view work) const {
    if (m_state != State::kUnsupported) {
        return {};
    }
    return "the root folder " + root + " cannot be locked (" + m_reason + "); the " +
           std::string(work) + " goes on without the lock";
}

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
        lock.m_reason = DescribeHolder(lock.m_fd.Get());
    } else {
        // Some network file systems cannot lock at all; refusing every run
        // there would make the tool useless, so the caller warns instead.
        lock.m_reason = std::strerror(errno);
        lock.m_fd.Close();
    }
    return lock;
}

}  // namespace kelvarin
