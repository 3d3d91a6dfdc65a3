// Log lines are built from the receiver's own copy of the lists: a worker
// message carries indexes only, so a message that names no entry gives an
// empty name rather than a read outside a list. Names and reasons are shown
// escaped (ShownName): a name is the source tree's to choose, a line is ours.
#include "import/log_line.h"

#include <cstdio>

#include "fileio/paths.h"
#include "import/import_messages.h"
#include "scan/client_names.h"

namespace kelvarin {

std::int32_t MessageWorkerIndex(std::intptr_t lParam) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(lParam));
}

std::string LookUpWorkerFile(const WorkerFileLists& workerFiles, std::uintptr_t fileIndex,
                             std::intptr_t workerIndex) {
    const auto list = static_cast<std::uint32_t>(MessageWorkerIndex(workerIndex));
    if (list >= workerFiles.size() || fileIndex >= workerFiles[list].size()) {
        return {};
    }
    return workerFiles[list][fileIndex];
}

std::string_view DisplayName(std::string_view path, std::string_view sourceRoot) {
    const std::size_t at = path.find(sourceRoot);
    if (at == std::string_view::npos) {
        return path;
    }
    std::size_t start = at + sourceRoot.size();
    // Skip the separator after the folder; a top folder ends in its own.
    if (sourceRoot.empty() || !IsSeparator(sourceRoot.back())) {
        ++start;
    }
    return start < path.size() ? path.substr(start) : std::string_view();
}

std::string ImportLogLine(unsigned message, std::string_view path, std::string_view sourceRoot,
                          std::intptr_t workerIndex, std::string_view reason) {
    std::string line = message == WM_IMPORT_UPDATED ? kUpdatedPrefix
                       : message == WM_IMPORT_ADDED ? kAddedPrefix
                                                    : kFailedPrefix;
    line.append(ShownName(DisplayName(path, sourceRoot)));
    char index[256];
    std::snprintf(index, sizeof index, "(%d)", static_cast<int>(MessageWorkerIndex(workerIndex)));
    line.append(index);
    if (!reason.empty()) {
        line.append(" (").append(ShownName(reason)).append(")");
    }
    line.append("\r\n");
    return line;
}

std::string RefusedFileLine(const RefusedFile& file, std::string_view sourceRoot) {
    std::string line = kRefusedPrefix;
    line.append(ShownName(DisplayName(file.path, sourceRoot)))
        .append(" (")
        .append(RefusalText(file.reason))
        .append(")\r\n");
    return line;
}

}  // namespace kelvarin
