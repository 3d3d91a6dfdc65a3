// The scan's system calls on POSIX. Each folder is opened relative to its
// parent's descriptor (openat), so no path is ever handed to the kernel
// whole and paths of any length work. A folder is known by device and inode.
#include "scan/folder_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "fileio/paths.h"

namespace kelvarin {

namespace {

constexpr int kOpenFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
// For folders that are only passed through or asked about.
#ifdef O_PATH
constexpr int kPassFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kPassFlags = kOpenFolderFlags;
#endif

FolderId IdOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

// Closes a listing on every way out.
class FolderListing {
public:
    explicit FolderListing(DIR* dir) : m_dir(dir) {}
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;
    ~FolderListing() { ::closedir(m_dir); }
    DIR* get() const { return m_dir; }

private:
    DIR* m_dir;
};

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Whether an entry is a folder. d_type answers for most file systems; links
// and unknown types are asked about with fstatat, which follows links, so a
// link to a folder counts as a folder. An entry that cannot be asked about
// (a dangling link, a link loop) is not a folder.
bool EntryIsFolder(int folderFd, const dirent& entry) {
    if (entry.d_type == DT_DIR) {
        return true;
    }
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) {
        return false;
    }
    struct stat info {};
    return ::fstatat(folderFd, entry.d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

bool EntryIsLink(int folderFd, const dirent& entry) {
    if (entry.d_type != DT_UNKNOWN) {
        return entry.d_type == DT_LNK;
    }
    struct stat info {};
    return ::fstatat(folderFd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISLNK(info.st_mode);
}

// Opens an absolute canonical path too long to hand to open() at once, one
// component at a time. Intermediate folders need only be searchable.
FileDescriptor OpenLongFolder(const std::string& canonical) {
    FileDescriptor fd(::open("/", kPassFlags));
    std::size_t start = 1;
    while (fd.IsOpen() && start < canonical.size()) {
        std::size_t end = canonical.find(kSeparator, start);
        if (end == std::string::npos) {
            end = canonical.size();
        }
        const std::string part = canonical.substr(start, end - start);
        fd = FileDescriptor(::openat(fd.Get(), part.c_str(),
                                     end == canonical.size() ? kOpenFolderFlags : kPassFlags));
        start = end + 1;
    }
    return fd;
}

// The folder open at `fd` with its id; nullopt, with `error` set, when it
// did not open or cannot be asked about.
std::optional<OpenedFolder> Opened(FileDescriptor fd, int& error) {
    struct stat info {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &info) != 0) {
        error = errno;
        return std::nullopt;
    }
    return OpenedFolder{IdOf(info), std::move(fd)};
}

}  // namespace

std::optional<OpenedFolder> OpenFolderAt(const std::string& path, int& error) {
    FileDescriptor fd(::open(path.c_str(), kOpenFolderFlags));
    if (!fd.IsOpen() && errno == ENAMETOOLONG) {
        fd = OpenLongFolder(path);
    }
    return Opened(std::move(fd), error);
}

std::optional<OpenedFolder> OpenSubFolder(const OpenedFolder& parent, const std::string&,
                                          std::string_view name, int& error) {
    const std::string childName(name);
    return Opened(
        FileDescriptor(::openat(parent.listing.Get(), childName.c_str(), kOpenFolderFlags)), error);
}

int ReadFolderEntries(const OpenedFolder& folder, const std::string&, std::string& names,
                      std::vector<FolderEntry>& entries) {
    // The listing takes a descriptor of its own: the folder's stays open for
    // its sub-folders.
    const int folderFd = folder.listing.Get();
    FileDescriptor own(::fcntl(folderFd, F_DUPFD_CLOEXEC, 0));
    DIR* dir = own.IsOpen() ? ::fdopendir(own.Get()) : nullptr;
    if (dir == nullptr) {
        return errno;
    }
    own.Release();  // the listing closes it now
    const FolderListing listing(dir);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            return errno;
        }
        if (IsDotOrDotDot(entry->d_name)) {
            continue;
        }
        const std::size_t length = std::strlen(entry->d_name);
        entries.push_back(FolderEntry{names.size(), length, EntryIsFolder(folderFd, *entry),
                                      EntryIsLink(folderFd, *entry)});
        names.append(entry->d_name, length);
    }
}

// Its parents are asked for up to the top, whose ".." is itself.
bool FolderLiesBelow(const OpenedFolder& folder, const std::string&, const FolderId& id) {
    FileDescriptor parent(::openat(folder.listing.Get(), "..", kPassFlags));
    std::optional<FolderId> last;
    struct stat info {};
    while (parent.IsOpen() && ::fstat(parent.Get(), &info) == 0 && IdOf(info) != last) {
        if (IdOf(info) == id) {
            return true;
        }
        last = IdOf(info);
        parent = FileDescriptor(::openat(parent.Get(), "..", kPassFlags));
    }
    return false;
}

std::optional<FolderId> IdOfPath(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return IdOf(info);
}

}  // namespace kelvarin
