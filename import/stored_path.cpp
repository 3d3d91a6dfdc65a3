// Path forming for stored files: text only, no file system access, so it
// can be used by the workers and by tests alike.
#include "import/stored_path.h"

#include <algorithm>
#include <cerrno>

#include "fileio/paths.h"
#include "fileio/replace_file.h"

namespace kelvarin {

std::string StoredFilePath(std::string_view rootPath, std::string_view relative) {
    std::string dest(rootPath);
    if (dest.empty() || !IsSeparator(dest.back())) {
        dest.push_back(kSeparator);
    }
    return dest.append(StoredRelativePath(relative));
}

std::string StoredRelativePath(std::string_view relative) {
    return LowerAscii(relative).append(kStoredFileSuffix);
}

std::string WhyStoredNameTooLong(std::string_view rootPath, const std::string& dest,
                                 std::size_t nameLimit) {
    const std::string_view below =
        std::string_view(dest).substr(std::min(rootPath.size(), dest.size()));
    for (std::size_t begin = 0; begin < below.size();) {
        std::size_t end = begin;
        while (end < below.size() && !IsSeparator(below[end])) {
            ++end;
        }
        if (end - begin > nameLimit) {
            return DescribeWriteFailure(WriteOutcome{ENAMETOOLONG}, dest);
        }
        begin = end + 1;
    }
    return {};
}

}  // namespace kelvarin
