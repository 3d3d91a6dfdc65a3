// Folders on disk, asked about through FileStatus so that this file holds no
// system calls of its own.
#include "fileio/folders.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "fileio/file_status.h"
#include "fileio/paths.h"

namespace kelvarin {

std::string WhyNotAFolder(const std::string& path) {
    const FileStatus status = path.empty() ? FileStatus{} : StatusOf(path);
    if (status.kind == FileKind::kUnknown) {
        return path.empty() || status.error == ENOENT || status.error == ENOTDIR
                   ? "does not exist"
                   : std::strerror(status.error);
    }
    if (status.kind == FileKind::kFolder) {
        return {};
    }
    return status.kind == FileKind::kRegular ? "is a file, not a folder" : "is not a folder";
}

std::string RootFolderProblem(const std::string& rootPath) {
    if (rootPath.empty()) {
        return "No root folder is set; choose the root folder first.";
    }
    if (const std::string why = WhyNotAFolder(CanonicalFolder(rootPath)); !why.empty()) {
        return "The root folder " + rootPath + " " + why + ".";
    }
    return {};
}

bool LiesInside(const std::string& inner, const std::string& outer) {
    return IsSameOrBelowFolder(inner, outer) ||
           IsSameOrBelowFolder(ResolvedPath(inner), ResolvedPath(outer));
}

int MakeDirectories(const std::string& path) {
    std::error_code ignored;
    if (!path.empty()) {
        // As UTF-8 on every system: a plain std::string would be taken in
        // another code page by the Windows run time.
        const std::u8string utf8(path.begin(), path.end());
        std::filesystem::create_directories(std::filesystem::path(utf8), ignored);
    }
    return 1;
}

}  // namespace kelvarin
