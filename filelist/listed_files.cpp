#include "filelist/listed_files.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "fileio/paths.h"
#include "fileio/replace_file.h"
#include "filelist/list_encoding.h"
#include "scan/client_names.h"

namespace kelvarin {

namespace {

// Takes out the first entry equal to `path`, keeping the order of the rest.
void RemoveFirst(std::vector<std::string>& paths, const std::string& path) {
    const auto found = std::find(paths.begin(), paths.end(), path);
    if (found != paths.end()) {
        paths.erase(found);
    }
}

}  // namespace

std::string DefaultListPath(const std::string& rootPath) {
    return RootPrefix(rootPath) + kDefaultListName;
}

ListedFiles SelectListedFiles(const std::string& rootPath, std::vector<std::string> scanned,
                              const TextEncoding& encoding) {
    const std::string listPath = DefaultListPath(rootPath);
    RemoveFirst(scanned, listPath);
    RemoveFirst(scanned, listPath + kCompanionSuffix);
    std::erase_if(scanned,
                  [](const std::string& path) { return IsTemporaryFileName(FileNamePart(path)); });

    ListedFiles listed;
    listed.paths.reserve(scanned.size());
    listed.names.reserve(scanned.size());
    // Views into listed.paths, so taken only once the paths have stopped moving.
    std::vector<std::string_view> relatives;
    relatives.reserve(scanned.size());
    for (std::string& path : scanned) {
        // Every scanned path lies below the root; one that did not would have
        // no name to list.
        if (RelativeToFolder(path, rootPath)) {
            listed.paths.push_back(std::move(path));
        }
    }
    for (const std::string& path : listed.paths) {
        relatives.push_back(*RelativeToFolder(path, rootPath));
        listed.names.push_back(PublishedName(relatives.back()));
    }
    const std::vector<std::optional<RefusalReason>> verdicts = RefusedNames(relatives);
    listed.listNames.reserve(verdicts.size());
    for (std::size_t i = 0; i < verdicts.size(); ++i) {
        // Only a name the client can hold is worth converting (it is UTF-8).
        EncodedName encoded = verdicts[i] ? EncodedName{{}, std::string(RefusalText(*verdicts[i]))}
                                          : EncodeListName(encoding, listed.names[i]);
        if (!encoded.Ok()) {
            listed.refusals.push_back(
                UnlistableFile{std::string(relatives[i]), std::move(encoded.refusal)});
        }
        listed.listNames.push_back(std::move(encoded.bytes));
    }
    return listed;
}

}  // namespace kelvarin
