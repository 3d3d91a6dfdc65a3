// Path text. ".." is taken textually and links are left as spelled: the
// user's spelling of a chosen folder is what the paths keep, and the rest of
// the system cuts prefixes off by text, so every prefix must be spelled the
// same way as the scan spells the paths below it.
#include "fileio/paths.h"

#include <vector>

#include "fileio/file_status.h"

namespace kelvarin {

std::string CanonicalFolder(const std::string& folder) {
    const std::string absolute = IsAbsolutePath(folder) ? folder : AbsoluteSpelling(folder);
    if (absolute.empty()) {
        return {};
    }
    std::size_t topLength = 0;
    std::string canonical = TopFolderOf(absolute, topLength);
    if (canonical.empty()) {
        return {};
    }

    std::vector<std::string_view> parts;
    const std::string_view text = std::string_view(absolute).substr(topLength);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && !IsSeparator(text[end])) {
            ++end;
        }
        const std::string_view part = text.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {  // ".." above the top stays at the top
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }

    canonical.reserve(absolute.size());
    for (const std::string_view part : parts) {
        if (!IsSeparator(canonical.back())) {
            canonical += kSeparator;
        }
        canonical += part;
    }
    return canonical;
}

bool IsSameOrBelowFolder(std::string_view path, std::string_view folder) {
    if (path.empty() || folder.empty() || path.size() < folder.size() ||
        !SamePathText(path.substr(0, folder.size()), folder)) {
        return false;
    }
    // The top is the one canonical folder that ends in its own separator.
    return path.size() == folder.size() || IsSeparator(folder.back()) ||
           IsSeparator(path[folder.size()]);
}

std::optional<std::string_view> RelativeToFolder(std::string_view path, std::string_view folder) {
    if (!IsSameOrBelowFolder(path, folder)) {
        return std::nullopt;
    }
    std::string_view rest = path.substr(folder.size());
    if (!rest.empty() && IsSeparator(rest.front())) {
        rest.remove_prefix(1);
    }
    if (rest.empty()) {
        return std::nullopt;
    }
    return rest;
}

std::string RootPrefix(const std::string& folder) {
    return !folder.empty() && IsSeparator(folder.back()) ? folder : folder + kSeparator;
}

std::string DirectoryPart(const std::string& path) {
    std::size_t end = path.size();
    while (end > 0 && !IsSeparator(path[end - 1])) {
        --end;
    }
    return path.substr(0, end);
}

std::string_view FileNamePart(std::string_view path) {
    std::size_t start = path.size();
    while (start > 0 && !IsSeparator(path[start - 1])) {
        --start;
    }
    return path.substr(start);
}

std::string ParentFolder(const std::string& folder) {
    std::size_t topLength = 0;
    TopFolderOf(folder, topLength);
    std::size_t end = folder.size();
    while (end > topLength && !IsSeparator(folder[end - 1])) {
        --end;
    }
    // The separator before the last component goes, unless it ends the top.
    return folder.substr(0, end > topLength ? end - 1 : end);
}

}  // namespace kelvarin
