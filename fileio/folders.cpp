#include "fileio/folders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace kelvarin {

std::string WhyNotAFolder(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return path.empty() || errno == ENOENT || errno == ENOTDIR ? "does not exist"
                                                                   : std::strerror(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return {};
    }
    return S_ISREG(info.st_mode) ? "is a file, not a folder" : "is not a folder";
}

int MakeDirectories(const std::string& path) {
    std::error_code ignored;
    if (!path.empty()) {
        std::filesystem::create_directories(path, ignored);
    }
    return 1;
}

std::string DirectoryPart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace kelvarin
