// Path forming for stored files: text only, no file system access, so it
// can be used by the workers and by tests alike.
#include "import/stored_path.h"

namespace kelvarin {

std::optional<std::string_view> RelativeToFolder(std::string_view path, std::string_view folder) {
    if (folder.empty() || !path.starts_with(folder)) {
        return std::nullopt;
    }
    std::string_view rest = path.substr(folder.size());
    // "/" is the one canonical folder that ends in its own separator.
    if (folder.back() != '/') {
        if (rest.empty() || rest.front() != '/') {
            return std::nullopt;  // "/src/Newer/x" is not below "/src/New"
        }
        rest.remove_prefix(1);
    }
    if (rest.empty()) {
        return std::nullopt;
    }
    return rest;
}

std::string StoredFilePath(std::string_view rootPath, std::string_view relative) {
    std::string dest;
    dest.reserve(rootPath.size() + 1 + relative.size() + sizeof kStoredFileSuffix);
    dest.append(rootPath);
    if (dest.empty() || dest.back() != '/') {
        dest.push_back('/');
    }
    for (const char c : relative) {
        dest.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c);
    }
    dest.append(kStoredFileSuffix);
    return dest;
}

}  // namespace kelvarin
