// The tree scan. A folder's entries are read in full, sorted into NTFS
// order and only then walked, so a sub-folder's files land where the
// sub-folder stands among its parent's entries, whatever order the system
// lists them in. The paths are built in one growing string. The folders on
// the way down are remembered by their ids, which stops link loops. What
// the system is asked lies in folder_walk.h.
#include "scan/collect_files.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "fileio/file_status.h"
#include "fileio/paths.h"
#include "scan/folder_walk.h"
#include "scan/ntfs_order.h"

namespace kelvarin {

namespace {

struct FolderIdHash {
    std::size_t operator()(const FolderId& id) const {
        return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(id.inode) *
                                              0x9E3779B97F4A7C15u ^
                                          static_cast<std::uint64_t>(id.device));
    }
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

class TreeWalker {
public:
    TreeWalker(std::string prefix, std::vector<std::string>& files, ScanReport& report,
               const ScanStops& stops)
        : m_prefix(std::move(prefix)), m_files(files), m_report(report), m_stops(stops) {}

    // Lists `folder`, whose path with a trailing separator is m_prefix.
    void Walk(const OpenedFolder& folder) {
        // Taken off again on the way out: only the folders above count.
        m_above.insert(folder.id);
        struct Leave {
            TreeWalker& walker;
            FolderId id;
            ~Leave() { walker.m_above.erase(id); }
        } leave{*this, folder.id};

        // One name store and one entry list per folder, not per entry.
        std::string names;
        std::vector<FolderEntry> entries;
        // A half-read listing is not walked: the folder is unreadable.
        if (const int error = ReadFolderEntries(folder, m_prefix, names, entries); error != 0) {
            return Unreadable(m_prefix, error);
        }
        SortInNtfsOrder(names, entries);
        for (const FolderEntry& entry : entries) {
            const std::string_view name = NameOf(names, entry);
            if (entry.isFolder) {
                EnterFolder(folder, name, entry.isLink);
            } else {
                AddFile(name, entry.isLink);
            }
        }
    }

    // Records the folder at `path` (with or without its trailing separator) as
    // one that could not be read, for the reason `error` names.
    void Unreadable(std::string path, int error) {
        const std::string reason = std::strerror(error);
        if (path.size() > 1 && IsSeparator(path.back()) && !IsTopFolder(path)) {
            path.pop_back();
        }
        m_report.unreadable.push_back({std::move(path), reason});
    }

private:
    // Takes the file `name` of the folder being walked.
    void AddFile(std::string_view name, bool isLink) {
        std::string path;
        path.reserve(m_prefix.size() + name.size());
        path.append(m_prefix).append(name);
        m_files.push_back(std::move(path));
        m_report.linksFollowed += isLink ? 1 : 0;
    }

    // Walks the sub-folder `name` of `parent`, unless it is a folder being
    // walked (a loop) or one the scan stops at.
    void EnterFolder(const OpenedFolder& parent, std::string_view name, bool isLink) {
        const std::string childPath = m_prefix + std::string(name);
        int error = 0;
        const std::optional<OpenedFolder> child = OpenSubFolder(parent, m_prefix, name, error);
        if (!child) {
            return Unreadable(childPath, error);
        }
        if (m_above.contains(child->id)) {
            return m_report.loops.push_back(childPath);
        }
        const std::vector<FolderId>& stops = m_stops.folders;
        // Only a link can lead below a stop from outside it: plain folders
        // are not asked about, so a scan costs no more than before.
        if (std::find(stops.begin(), stops.end(), child->id) != stops.end() ||
            (isLink && m_stops.below && FolderLiesBelow(*child, childPath, *m_stops.below))) {
            return m_report.stoppedAt.push_back(childPath);
        }
        m_report.linksFollowed += isLink ? 1 : 0;
        const std::size_t prefixLength = m_prefix.size();
        m_prefix.append(name).push_back(kSeparator);
        Walk(*child);
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
        if (const std::optional<FolderId> id = IdOfPath(folder)) {
            ids.push_back(*id);
        }
        std::string parent = ParentFolder(folder);
        // The top holds itself; a spelling the path rules cannot climb stops too.
        if (IsTopFolder(folder) || parent == folder) {
            return ids;
        }
        folder = std::move(parent);
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
    int error = 0;
    const std::optional<OpenedFolder> opened = OpenFolderAt(canonical, error);
    ScanReport ignored;
    TreeWalker walker(RootPrefix(canonical), files, report != nullptr ? *report : ignored, stops);
    if (!opened) {
        return walker.Unreadable(canonical, error);
    }
    walker.Walk(*opened);
}

}  // namespace kelvarin
