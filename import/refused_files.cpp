// One pass over the scan: names the client cannot hold are refused at once,
// the rest are grouped by published name; then a second pass splits the
// list, keeping both halves in scan order.
#include "import/refused_files.h"

#include <optional>
#include <unordered_map>

#include "import/stored_path.h"
#include "scan/published_name.h"

namespace kelvarin {

std::string_view RefusalText(RefusalReason reason) {
    switch (reason) {
        case RefusalReason::kNameNotHeld:
            return "the client cannot hold this name";
        case RefusalReason::kNameDiffersInCase:
            return "another source file differs from it only in case";
    }
    return {};
}

std::vector<RefusedFile> TakeRefusedFiles(std::vector<std::string>& files,
                                          std::string_view sourceRoot) {
    std::vector<std::optional<RefusalReason>> verdicts(files.size());
    std::unordered_map<std::string, std::size_t> firstWithName;
    firstWithName.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::optional<std::string_view> relative = RelativeToFolder(files[i], sourceRoot);
        if (!relative || !ClientCanHoldName(*relative)) {
            verdicts[i] = RefusalReason::kNameNotHeld;
            continue;
        }
        const auto [first, inserted] = firstWithName.emplace(PublishedName(*relative), i);
        if (!inserted) {
            verdicts[first->second] = RefusalReason::kNameDiffersInCase;
            verdicts[i] = RefusalReason::kNameDiffersInCase;
        }
    }

    std::vector<RefusedFile> refused;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (verdicts[i]) {
            refused.push_back(RefusedFile{std::move(files[i]), *verdicts[i]});
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
