#include "import/orphans.h"

#include <unordered_set>

#include "fileio/paths.h"
#include "import/stored_path.h"

namespace kelvarin {

std::vector<std::string> OrphanStoredFiles(const std::string& source,
                                           const std::vector<std::string>& sourceFiles,
                                           const std::string& root,
                                           const std::vector<std::string>& rootFiles) {
    std::unordered_set<std::string> stored;
    for (const std::string& file : sourceFiles) {
        if (const auto relative = RelativeToFolder(file, source)) {
            stored.insert(StoredRelativePath(*relative));
        }
    }
    std::vector<std::string> orphans;
    for (const std::string& file : rootFiles) {
        const auto relative = RelativeToFolder(file, root);
        if (relative && relative->ends_with(kStoredFileSuffix) &&
            !stored.contains(std::string(*relative))) {
            orphans.emplace_back(*relative);
        }
    }
    return orphans;
}

}  // namespace kelvarin
