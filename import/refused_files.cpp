// The verdicts come from the name policy; this only splits the list,
// keeping both halves in scan order.
#include "import/refused_files.h"

#include <optional>

#include "fileio/file_status.h"
#include "import/stored_path.h"

namespace kelvarin {

std::vector<RefusedFile> TakeRefusedFiles(std::vector<std::string>& files,
                                          std::string_view sourceRoot,
                                          const std::string& rootPath) {
    std::vector<std::string_view> relatives;
    relatives.reserve(files.size());
    for (const std::string& path : files) {
        // A path outside the source has no name at all: empty, never held.
        relatives.push_back(RelativeToFolder(path, sourceRoot).value_or(std::string_view()));
    }
    std::vector<std::optional<RefusalReason>> verdicts = RefusedNames(relatives, kStoredFileSuffix);
    for (std::size_t i = 0; i < files.size() && !rootPath.empty(); ++i) {
        if (!verdicts[i] &&
            OwnStatusOf(StoredFilePath(rootPath, relatives[i])).kind == FileKind::kFolder) {
            verdicts[i] = RefusalReason::kNameIsAFolder;
        }
    }

    std::vector<RefusedFile> refused;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (verdicts[i]) {
            refused.push_back(RefusedFile{std::move(files[i]), *verdicts[i], 0});
        } else {
            if (kept != i) {
                files[kept] = std::move(files[i]);
            }
            ++kept;
        }
    }
    files.resize(kept);
    return refused;
}

}  // namespace kelvarin
