// Folders on disk: whether a path is one, whether one lies inside another,
// and making the ones a stored file needs.
#pragma once

#include <string>

namespace kelvarin {

// Why `path` is not an existing folder, in words ("does not exist", "is a
// file, not a folder", ...); empty when it is one.
std::string WhyNotAFolder(const std::string& path);

// Why `rootPath` cannot be a run's root folder, in the words every command
// uses: none is set, or it is not an existing folder. Empty when it can.
std::string RootFolderProblem(const std::string& rootPath);

// Whether `inner` is `outer` or lies below it, either as spelled or once
// every link in both is resolved: a folder reached through a link is still
// the folder. The one nesting check for folders a run must keep apart.
// REQUIRES: both are canonical (CanonicalFolder).
bool LiesInside(const std::string& inner, const std::string& outer);

// Creates every missing folder along `path`, outermost first. Returns 1 in
// every case: a folder that cannot be made shows when the file in it is
// written.
int MakeDirectories(const std::string& path);

}  // namespace kelvarin
