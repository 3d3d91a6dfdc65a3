// Path forming for stored files: text only, no file system access, so it
// can be used by the workers and by tests alike.
#include "import/stored_path.h"

namespace kelvarin {

std::string StoredFilePath(std::string_view rootPath, std::string_view relative) {
    std::string dest(rootPath);
    if (dest.empty() || dest.back() != '/') {
        dest.push_back('/');
    }
    return dest.append(StoredRelativePath(relative));
}

std::string StoredRelativePath(std::string_view relative) {
    return LowerAscii(relative).append(kStoredFileSuffix);
}

}  // namespace kelvarin
