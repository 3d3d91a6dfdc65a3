// Lexical canonical form of a folder path. Symbolic links are not resolved:
// the user's spelling of the chosen folder is what the paths keep, and ".."
// is taken textually, as the rest of the system cuts prefixes off by text.
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fileio/folders.h"
#include "scan/collect_files.h"

namespace kelvarin {

namespace {

// The current directory, or empty when it cannot be determined (it was
// removed, or lies outside the process's root). glibc sizes the buffer
// itself when given none, so no length limit applies.
std::string CurrentDirectory() {
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    if (cwd == nullptr || cwd.get()[0] != '/') {
        return {};
    }
    return cwd.get();
}

}  // namespace

std::string CanonicalFolder(const std::string& folder) {
    std::string absolute;
    if (folder.empty() || folder.front() != '/') {
        absolute = CurrentDirectory();
        if (absolute.empty()) {
            return {};
        }
        absolute += '/';
    }
    absolute += folder;

    std::vector<std::string_view> parts;
    const std::string_view text(absolute);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view part = text.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {  // ".." above "/" stays at "/"
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }

    std::string canonical;
    canonical.reserve(absolute.size());
    for (const std::string_view part : parts) {
        canonical += '/';
        canonical += part;
    }
    return canonical.empty() ? std::string("/") : canonical;
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

}  // namespace kelvarin
