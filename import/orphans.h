// Stored files whose source is gone: an import never removes a stored file,
// so a file deleted from the build stays published until someone says so.
#pragma once

#include <string>
#include <vector>

namespace kelvarin {

// The stored files (".aup") among `rootFiles`, as paths below `root`, in
// their order, that no file of `sourceFiles` would be stored as. Files under
// the root that are not stored files (the list, its .bin, anything else)
// are never orphans.
// REQUIRES: `root` and `source` are canonical; the files are as the scan
// gives them below each.
std::vector<std::string> OrphanStoredFiles(const std::string& source,
                                           const std::vector<std::string>& sourceFiles,
                                           const std::string& root,
                                           const std::vector<std::string>& rootFiles);

}  // namespace kelvarin
