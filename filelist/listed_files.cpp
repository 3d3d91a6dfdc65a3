#include "filelist/listed_files.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "fileio/replace_file.h"
#include "scan/published_name.h"

namespace kelvarin {

namespace {

std::string_view FileNamePart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Takes out the first entry equal to `path`, keeping the order of the rest.
void RemoveFirst(std::vector<std::string>& paths, const std::string& path) {
    const auto found = std::find(paths.begin(), paths.end(), path);
    if (found != paths.end()) {
        paths.erase(found);
    }
}

}  // namespace

std::string RootPrefix(const std::string& rootPath) {
    return rootPath == "/" ? rootPath : rootPath + '/';
}

std::string DefaultListPath(const std::string& rootPath) {
    return RootPrefix(rootPath) + kDefaultListName;
}

ListedFiles SelectListedFiles(const std::string& rootPath, std::vector<std::string> scanned) {
    const std::string listPath = DefaultListPath(rootPath);
    RemoveFirst(scanned, listPath);
    RemoveFirst(scanned, listPath + kCompanionSuffix);
    std::erase_if(scanned,
                  [](const std::string& path) { return IsTemporaryFileName(FileNamePart(path)); });

    const std::string prefix = RootPrefix(rootPath);
    ListedFiles listed;
    listed.paths.reserve(scanned.size());
    listed.names.reserve(scanned.size());
    std::vector<std::string_view> relatives;
    relatives.reserve(scanned.size());
    for (std::string& path : scanned) {
        // Every scanned path starts with the prefix; a path that did not
        // would have no relative part to cut, so it is not listed.
        if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        listed.paths.push_back(std::move(path));
    }
    for (const std::string& path : listed.paths) {
        const std::string_view relative = std::string_view(path).substr(prefix.size());
        relatives.push_back(relative);
        listed.names.push_back(PublishedName(relative));
    }

    // Files that share a published name, by that name, in scan order.
    std::unordered_map<std::string_view, std::vector<std::size_t>> byName;
    for (std::size_t i = 0; i < listed.names.size(); ++i) {
        byName[listed.names[i]].push_back(i);
    }
    for (std::size_t i = 0; i < listed.paths.size(); ++i) {
        const std::string_view relative = relatives[i];
        if (!ClientCanHoldName(relative)) {
            listed.refusals.push_back(UnlistableFile{
                std::string(relative), "the name has a character the client cannot hold"});
            continue;
        }
        const std::vector<std::size_t>& sharing = byName[listed.names[i]];
        if (sharing.size() > 1) {
            std::string reason = "the client sees it as the same file as";
            for (const std::size_t other : sharing) {
                if (other != i) {
                    reason += ' ';
                    reason.append(relatives[other]);
                }
            }
            listed.refusals.push_back(UnlistableFile{std::string(relative), std::move(reason)});
        }
    }
    return listed;
}

}  // namespace kelvarin
