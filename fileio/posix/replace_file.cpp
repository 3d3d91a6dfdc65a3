// The POSIX steps of a replacement: lstat for what stands at the target,
// fchmod and fchown to keep its mode and owner, fsync per file, syncfs for a
// whole file system, rename, and kill(pid, 0) for whether a temporary's
// writer still runs.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "fileio/byte_stream.h"
#include "fileio/file_calls.h"
#include "fileio/paths.h"
#include "fileio/replace_file.h"

namespace kelvarin {

ReplacedTarget LookAtTarget(const std::string& path) {
    struct stat old {};
    if (::lstat(path.c_str(), &old) != 0) {
        return {};
    }
    return {true, S_ISREG(old.st_mode), {old.st_mode & 07777u, old.st_uid, old.st_gid}};
}

void KeepTargetTraits(const ReplacedTarget& target, int fd) {
    ::fchmod(fd, static_cast<mode_t>(target.kept[0]));
    if (::fchown(fd, static_cast<uid_t>(target.kept[1]), static_cast<gid_t>(target.kept[2])) != 0) {
        // Only root may give a file away; the mode above still holds.
    }
}

int FlushFileData(int fd) {
    return ::fsync(fd) == 0 ? 0 : errno;
}

bool FlushesEachFile() {
    // syncfs flushes a batch at once (FlushFileSystem).
    return false;
}

int RenameOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

long CurrentProcessId() {
    return static_cast<long>(::getpid());
}

bool ProcessHasEnded(long id) {
    return id <= 0 || id > INT_MAX || (::kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH);
}

std::vector<std::string> EntriesStartingWith(const std::string& folder, std::string_view prefix) {
    std::vector<std::string> paths;
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        return paths;
    }
    const std::string start =
        !folder.empty() && IsSeparator(folder.back()) ? folder : folder + kSeparator;
    while (const dirent* entry = ::readdir(listing)) {
        if (std::string_view(entry->d_name).starts_with(prefix)) {
            paths.push_back(start + entry->d_name);
        }
    }
    ::closedir(listing);
    return paths;
}

int FlushFileSystem(const std::string& path) {
    if (const int error = BeforeStep(IoSeam::Step::kFlush, path); error != 0) {
        return error;
    }
    const FileDescriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.IsOpen() && ::syncfs(folder.Get()) == 0 ? 0 : errno;
}

void FlushFolder(const std::string& path) {
    const FileDescriptor folder(
        ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.IsOpen()) {
        ::fsync(folder.Get());
    }
}

}  // namespace kelvarin
