// Removing a file below a run's root without ever going through a link: a
// folder link inside the root may lead to another name of a file that is
// still wanted, or out of the root altogether.
#pragma once

#include <string>
#include <string_view>

namespace kelvarin {

// Removes the regular file `relative` below the folder `root`. Each folder
// on the way is opened without following a link, and the file itself must
// be a regular file, not a link. Empty when it was removed; else why not, in
// words ("lies behind the link shared", "is not a regular file", or the
// system's reason).
// REQUIRES: `relative` has no "." or ".." component and no leading separator.
std::string RemoveRegularFileBelow(const std::string& root, std::string_view relative);

}  // namespace kelvarin
