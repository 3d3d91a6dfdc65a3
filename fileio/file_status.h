// What the system says about a path: its kind and size, the path with every
// link resolved, and the current directory. Callers outside the file layer
// ask here instead of calling stat, lstat, realpath or getcwd themselves,
// so that another system needs another implementation of this file only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kelvarin {

enum class FileKind {
    kUnknown,  // the system could not answer (see FileStatus::error)
    kRegular,
    kFolder,
    kLink,   // only from OwnStatus: a link itself
    kOther,  // a FIFO, socket, device
};

struct FileStatus {
    FileKind kind = FileKind::kUnknown;
    int error = 0;           // errno of the failed query; 0 when it answered
    std::uint64_t size = 0;  // in bytes, as the system gives it for any kind
    // Which file it is: two names with the same device and inode are one file.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// The status of what `path` names, links followed (stat).
FileStatus StatusOf(const std::string& path);

// The status of `path` itself: a link is a link (lstat).
FileStatus OwnStatusOf(const std::string& path);

// The size of the regular file at `path` (links followed); nullopt when it
// is no regular file or cannot be asked about.
std::optional<std::uint64_t> RegularFileSize(const std::string& path);

// The size the system gives for `path`, 0 when it cannot be measured: for
// reports, which must never stop a run.
std::uint64_t FileSize(const std::string& path);

// The absolute path with every link, "." and ".." resolved, or empty when
// it cannot be (it does not exist, or a link dangles).
std::string ResolvedPath(const std::string& path);

// The longest file name (one path component, in bytes) that the file
// system holding the folder `folder` takes; SIZE_MAX when it cannot say.
std::size_t NameLimitOf(const std::string& folder);

// The current directory, or empty when it cannot be determined (it was
// removed, or lies outside the process's root).
std::string CurrentDirectory();

}  // namespace kelvarin
