// The size of a file for reports (progress, JSON): 0 when it cannot be
// measured, since a report must not stop a run.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace kelvarin::cli {

inline std::uint64_t FileSize(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

}  // namespace kelvarin::cli
