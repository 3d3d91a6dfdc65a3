// Path text on POSIX: one top folder "/", names compared byte for byte.
#include "fileio/file_status.h"
#include "fileio/paths.h"

namespace kelvarin {

bool SamePathText(std::string_view a, std::string_view b) {
    return a == b;
}

bool IsAbsolutePath(std::string_view path) {
    return !path.empty() && IsSeparator(path.front());
}

bool IsTopFolder(std::string_view folder) {
    return folder.size() == 1 && IsSeparator(folder.front());
}

std::string TopFolderOf(std::string_view path, std::size_t& length) {
    length = IsAbsolutePath(path) ? 1 : 0;
    return std::string(path.substr(0, length));
}

std::string AbsoluteSpelling(const std::string& path) {
    const std::string current = CurrentDirectory();
    return current.empty() ? current : current + kSeparator + path;
}

}  // namespace kelvarin
