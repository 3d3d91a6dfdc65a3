// The file list as a plain sequential run makes it: one window serves every
// file in list order, the MD5 oracle digests them, snprintf writes the hex.
#pragma once

#include <string>
#include <vector>

namespace kelvarin::test {

// The list text for canonical `root`, without its own two list files and
// temporaries; `damaged` receives the stored files (".aup") that are not whole.
std::string SequentialListText(const std::string& root, const std::vector<std::string>& excludeList,
                               std::vector<std::string>* damaged = nullptr);

}  // namespace kelvarin::test
