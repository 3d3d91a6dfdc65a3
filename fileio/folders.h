// Folders: whether a path is one, and making the ones a stored file needs.
#pragma once

#include <string>

namespace kelvarin {

// Why `path` is not an existing folder, in words ("does not exist", "is a
// file, not a folder", ...); empty when it is one.
std::string WhyNotAFolder(const std::string& path);

// Creates every missing folder along `path`, outermost first. Returns 1 in
// every case: a folder that cannot be made shows when the file in it is
// written.
int MakeDirectories(const std::string& path);

// The folder part of a path, up to and including its last '/', or empty.
std::string DirectoryPart(const std::string& path);

}  // namespace kelvarin
