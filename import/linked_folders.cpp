// Each component on the way down is asked about once (OwnStatusOf, which does
// not follow the link itself); folders sharing a parent share its answer.
#include "import/linked_folders.h"

#include "fileio/file_status.h"
#include "fileio/paths.h"

namespace kelvarin {

namespace {

// The first link on the way from `root` down to `relative`, below the root,
// or empty. `seen` keeps the answer for every prefix asked about.
std::string FirstLink(const std::string& root, std::string_view relative,
                      std::unordered_map<std::string, std::string>& seen) {
    std::string link;
    for (std::size_t end = 0; end != std::string_view::npos && link.empty();) {
        end = relative.find(kSeparator, end + 1);
        const std::string prefix(relative.substr(0, end));
        const auto [known, asked] = seen.try_emplace(prefix);
        if (asked) {
            const FileKind kind = OwnStatusOf(RootPrefix(root) + prefix).kind;
            // A missing folder is made by the write, as a folder.
            known->second = kind == FileKind::kLink ? prefix : std::string();
            if (kind == FileKind::kUnknown) {
                return {};
            }
        }
        link = known->second;
    }
    return link;
}

}  // namespace

LinkedFolders FoldersBehindLinks(const std::string& root, const std::set<std::string>& folders) {
    LinkedFolders linked;
    std::unordered_map<std::string, std::string> seen;
    for (const std::string& folder : folders) {
        const std::string_view trimmed =
            std::string_view(folder).substr(0, folder.empty() ? 0 : folder.size() - 1);
        const std::optional<std::string_view> relative = RelativeToFolder(trimmed, root);
        if (!relative) {
            continue;
        }
        if (std::string link = FirstLink(root, *relative, seen); !link.empty()) {
            linked.emplace(folder, std::move(link));
        }
    }
    return linked;
}

std::string BehindLinkText(const std::string& link) {
    return "lies behind the link " + link;
}

}  // namespace kelvarin
