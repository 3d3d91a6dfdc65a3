// The order in which NTFS lists the entries of a folder. The scan sorts each
// folder's entries by it so that scans, logs and file lists come out the
// same on every run and match those made on Windows.
#pragma once

#include <string_view>

namespace kelvarin {

// Whether `a` comes before `b`: names compared byte by byte with ASCII a-z
// taken as A-Z (so '_' sorts after the letters), the shorter first when one
// is a prefix of the other; names equal that way are ordered by their raw
// bytes ("A" before "a").
bool NtfsNameLess(std::string_view a, std::string_view b);

}  // namespace kelvarin
