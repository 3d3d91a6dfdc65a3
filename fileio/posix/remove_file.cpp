// The removal walks down from the root a folder at a time with openat and
// O_NOFOLLOW, then asks about and removes the last name relative to its
// folder, so no component is ever resolved through a link.
#include "fileio/remove_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "fileio/file_descriptor.h"
#include "fileio/paths.h"

namespace kelvarin {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

}  // namespace

std::string RemoveRegularFileBelow(const std::string& root, std::string_view relative) {
    FileDescriptor folder(::open(root.c_str(), kFolderFlags));
    std::size_t start = 0;
    for (std::size_t end = relative.find(kSeparator); folder.IsOpen() && end != std::string::npos;
         end = relative.find(kSeparator, start)) {
        const std::string part(relative.substr(start, end - start));
        struct stat info {};
        if (::fstatat(folder.Get(), part.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(info.st_mode)) {
            return "lies behind the link " + std::string(relative.substr(0, end));
        }
        folder = FileDescriptor(::openat(folder.Get(), part.c_str(), kFolderFlags | O_NOFOLLOW));
        start = end + 1;
    }
    if (!folder.IsOpen()) {
        return std::strerror(errno);
    }
    const std::string name(relative.substr(start));
    struct stat info {};
    if (::fstatat(folder.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::strerror(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return "is not a regular file";
    }
    return ::unlinkat(folder.Get(), name.c_str(), 0) == 0 ? std::string() : std::strerror(errno);
}

}  // namespace kelvarin
