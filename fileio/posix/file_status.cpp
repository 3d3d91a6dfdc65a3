// The POSIX answers behind FileStatus: one stat, lstat, realpath or getcwd
// per call, so callers keep count of their system calls.
#include "fileio/file_status.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "fileio/paths.h"

namespace kelvarin {

namespace {

FileStatus StatusFrom(int result, const struct stat& info) {
    FileStatus status;
    if (result != 0) {
        status.error = errno;
        return status;
    }
    status.kind = S_ISREG(info.st_mode)   ? FileKind::kRegular
                  : S_ISDIR(info.st_mode) ? FileKind::kFolder
                  : S_ISLNK(info.st_mode) ? FileKind::kLink
                                          : FileKind::kOther;
    status.size = static_cast<std::uint64_t>(info.st_size);
    status.device = static_cast<std::uint64_t>(info.st_dev);
    status.inode = static_cast<std::uint64_t>(info.st_ino);
    return status;
}

}  // namespace

FileStatus StatusOf(const std::string& path) {
    struct stat info {};
    const int result = ::stat(path.c_str(), &info);
    return StatusFrom(result, info);
}

FileStatus OwnStatusOf(const std::string& path) {
    struct stat info {};
    const int result = ::lstat(path.c_str(), &info);
    return StatusFrom(result, info);
}

std::string ResolvedPath(const std::string& path) {
    // glibc sizes the buffer itself when given none, so no length limit applies.
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

std::size_t NameLimitOf(const std::string& folder) {
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : SIZE_MAX;
}

std::string CurrentDirectory() {
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    if (cwd == nullptr || !IsAbsolutePath(cwd.get())) {
        return {};
    }
    return cwd.get();
}

}  // namespace kelvarin
