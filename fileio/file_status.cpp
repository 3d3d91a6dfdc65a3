// The answers about a path that every system gives alike, built on the
// system's own StatusOf (posix/, windows/).
#include "fileio/file_status.h"

namespace kelvarin {

std::optional<std::uint64_t> RegularFileSize(const std::string& path) {
    const FileStatus status = StatusOf(path);
    if (status.kind != FileKind::kRegular) {
        return std::nullopt;
    }
    return status.size;
}

std::uint64_t FileSize(const std::string& path) {
    return StatusOf(path).size;
}

}  // namespace kelvarin
