// Published names: how a file under the root or source folder is named in
// the update tree, the file list and exclude.list.
#pragma once

#include <string>
#include <string_view>

namespace kelvarin {

// A real path below a chosen folder ("Data/A.TXT") as the client names it:
// ASCII A-Z lower-cased, every '/' written as '\' ("data\a.txt").
std::string PublishedName(std::string_view relativePath);

// Whether the client can hold the file at a real relative path ("Data/A.TXT"):
// no name along it contains any of \ : * ? " < > | or a byte below 0x20.
// (Two paths whose published names are equal are a separate refusal that
// the callers make.)
bool ClientCanHoldName(std::string_view relativePath);

}  // namespace kelvarin
