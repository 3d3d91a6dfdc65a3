// The tree scan. Each folder is opened relative to its parent's descriptor
// (openat, fdopendir), so no path is ever handed to the kernel whole and
// paths of any length work; the paths themselves are built in one growing
// string. A folder's entries are read in full, sorted into NTFS order and
// only then walked, so a sub-folder's files land where the sub-folder stands
// among its parent's entries. The folders on the way down are remembered by
// device and inode, which stops link loops.
#include "scan/collect_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "fileio/file_descriptor.h"
#include "fileio/file_status.h"
#include "fileio/paths.h"
#include "scan/ntfs_order.h"

namespace kelvarin {

namespace {

constexpr int kOpenFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
// For folders that are only passed through or asked about.
#ifdef O_PATH
constexpr int kPassFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kPassFlags = kOpenFolderFlags;
#endif

struct FolderIdHash {
    std::size_t operator()(const FolderId& id) const {
        return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(id.inode) *
                                              0x9E3779B97F4A7C15u ^
                                          static_cast<std::uint64_t>(id.device));
    }
};

FolderId IdOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

// One entry of a folder: its name lies in the folder's name store.
struct FolderEntry {
    std::size_t offset;
    std::size_t length;
    bool isFolder;
    bool isLink;
};

// Closes a listing on every way out of a level.
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

// The name of `entry`, which lies in `names`.
std::string_view NameOf(const std::string& names, const FolderEntry& entry) {
    return std::string_view(names).substr(entry.offset, entry.length);
}

// Puts a folder's entries into NTFS order, the order the client lists them in.
void SortInNtfsOrder(const std::string& names, std::vector<FolderEntry>& entries) {
    std::sort(entries.begin(), entries.end(), [&names](const FolderEntry& a, const FolderEntry& b) {
        return NtfsNameLess(NameOf(names, a), NameOf(names, b));
    });
}

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

// Whether the folder open at `folder` lies below the folder `id`: its
// parents are asked for up to the top, whose ".." is itself.
bool LiesBelow(int folder, const FolderId& id) {
    FileDescriptor parent(::openat(folder, "..", kPassFlags));
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

class TreeWalker {
public:
    TreeWalker(std::string prefix, std::vector<std::string>& files, ScanReport& report,
               const ScanStops& stops)
        : m_prefix(std::move(prefix)), m_files(files), m_report(report), m_stops(stops) {}

    // Lists the folder open at `folder`, whose path with a trailing separator
    // is m_prefix.
    void Walk(FileDescriptor folder) {
        struct stat info {};
        if (::fstat(folder.Get(), &info) != 0) {
            return Unreadable(m_prefix, errno);
        }
        // Taken off again on the way out: only the folders above count.
        const FolderId id = IdOf(info);
        m_above.insert(id);
        struct Leave {
            TreeWalker& walker;
            FolderId id;
            ~Leave() { walker.m_above.erase(id); }
        } leave{*this, id};
        const int folderFd = folder.Get();
        DIR* dir = ::fdopendir(folderFd);
        if (dir == nullptr) {
            return Unreadable(m_prefix, errno);
        }
        folder.Release();  // the listing closes it now
        const FolderListing listing(dir);

        // One name store and one entry list per folder, not per entry.
        std::string names;
        std::vector<FolderEntry> entries;
        if (!ReadEntries(dir, folderFd, names, entries)) {
            return;
        }
        SortInNtfsOrder(names, entries);
        for (const FolderEntry& entry : entries) {
            const std::string_view name = NameOf(names, entry);
            if (entry.isFolder) {
                EnterFolder(folderFd, name, entry.isLink);
            } else {
                AddFile(name, entry.isLink);
            }
        }
    }

    // Records the folder at `path` (with or without its trailing separator) as
    // one that could not be read, for the reason `error` names.
    void Unreadable(std::string path, int error) {
        const std::string reason = std::strerror(error);
        if (path.size() > 1 && IsSeparator(path.back())) {
            path.pop_back();
        }
        m_report.unreadable.push_back({std::move(path), reason});
    }

private:
    // Reads every entry but "." and ".." of the listing `dir`, open at
    // `folderFd`. False when the listing broke off: the folder is then
    // unreadable, and a half-read listing is not walked.
    bool ReadEntries(DIR* dir, int folderFd, std::string& names,
                     std::vector<FolderEntry>& entries) {
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (entry == nullptr) {
                const int error = errno;
                if (error != 0) {
                    Unreadable(m_prefix, error);
                }
                return error == 0;
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

    // Takes the file `name` of the folder being walked.
    void AddFile(std::string_view name, bool isLink) {
        std::string path;
        path.reserve(m_prefix.size() + name.size());
        path.append(m_prefix).append(name);
        m_files.push_back(std::move(path));
        m_report.linksFollowed += isLink ? 1 : 0;
    }

    // Walks the sub-folder `name` of the folder open at `folderFd`, unless
    // it is a folder being walked (a loop) or one the scan stops at.
    void EnterFolder(int folderFd, std::string_view name, bool isLink) {
        const std::string childName(name);
        FileDescriptor child(::openat(folderFd, childName.c_str(), kOpenFolderFlags));
        struct stat childInfo {};
        if (!child.IsOpen() || ::fstat(child.Get(), &childInfo) != 0) {
            const int error = errno;
            return Unreadable(m_prefix + childName, error);
        }
        const FolderId childId = IdOf(childInfo);
        if (m_above.contains(childId)) {
            return m_report.loops.push_back(m_prefix + childName);
        }
        const std::vector<FolderId>& stops = m_stops.folders;
        // Only a link can lead below a stop from outside it: plain folders
        // are not asked about, so a scan costs no more than before.
        if (std::find(stops.begin(), stops.end(), childId) != stops.end() ||
            (isLink && m_stops.below && LiesBelow(child.Get(), *m_stops.below))) {
            return m_report.stoppedAt.push_back(m_prefix + childName);
        }
        m_report.linksFollowed += isLink ? 1 : 0;
        const std::size_t prefixLength = m_prefix.size();
        m_prefix.append(name).push_back(kSeparator);
        Walk(std::move(child));
        m_prefix.resize(prefixLength);
    }

    std::string m_prefix;
    std::vector<std::string>& m_files;
    ScanReport& m_report;
    const ScanStops& m_stops;
    std::unordered_set<FolderId, FolderIdHash> m_above;  // the folders being walked
};

}  // namespace

std::vector<FolderId> FolderAndItsParents(const std::string& path) {
    std::vector<FolderId> ids;
    std::string folder = ResolvedPath(path);
    if (folder.empty()) {
        return ids;
    }
    for (;;) {
        struct stat info {};
        if (::stat(folder.c_str(), &info) == 0) {
            ids.push_back(IdOf(info));
        }
        if (IsTopFolder(folder)) {
            return ids;
        }
        folder = ParentFolder(folder);
    }
}

ScanStops StopsAround(const std::string& path) {
    ScanStops stops;
    stops.folders = FolderAndItsParents(path);
    if (!stops.folders.empty()) {
        stops.below = stops.folders.front();
    }
    return stops;
}

void CollectFiles(const std::string& folder, std::vector<std::string>& files, ScanReport* report,
                  const ScanStops& stops) {
    if (folder.empty()) {
        return;  // names no folder, as for open()
    }
    const std::string canonical = CanonicalFolder(folder);
    if (canonical.empty()) {
        return;
    }
    FileDescriptor fd(::open(canonical.c_str(), kOpenFolderFlags));
    if (!fd.IsOpen() && errno == ENAMETOOLONG) {
        fd = OpenLongFolder(canonical);
    }
    const int openError = errno;
    ScanReport ignored;
    TreeWalker walker(RootPrefix(canonical), files, report != nullptr ? *report : ignored, stops);
    if (!fd.IsOpen()) {
        return walker.Unreadable(canonical, openError);
    }
    walker.Walk(std::move(fd));
}

}  // namespace kelvarin
