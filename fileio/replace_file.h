// Crash-safe replacement of published files: the new bytes go to a
// temporary beside the target, which is renamed over it only once it is
// complete, so a reader (or a crash) never sees a half-written file. Only a
// regular file is ever replaced: a link, FIFO, device or folder at the
// target is left as it is. The replaced file's mode (and owner, where the
// process may) carries over to its successor.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace kelvarin {

struct WriteOutcome {
    int error = 0;            // errno of the failing step; 0 on success
    bool notRegular = false;  // the target is there and is not a regular file
    explicit operator bool() const { return error == 0; }
};

// "PATH is not a regular file ..." or "cannot write PATH: <reason>".
std::string DescribeWriteFailure(const WriteOutcome& outcome, const std::string& path);

// Replaces (or creates) the file at `path` with the concatenated pieces.
// On failure the temporary is removed, a file at `path` is left as it was,
// and errno holds the error too.
WriteOutcome WriteFileReplacing(const std::string& path,
                                std::initializer_list<std::span<const std::uint8_t>> pieces);
inline WriteOutcome WriteFileReplacing(const std::string& path,
                                       std::span<const std::uint8_t> data) {
    return WriteFileReplacing(path, {data});
}

// True for the names that WriteFileReplacing gives its temporaries, exactly
// ".~kvtmp&" + process id + "." + 16 hex digits. No publishable name holds
// an '&', so a temporary left by a crash is never taken for a published
// file, nor a published file for a temporary.
bool IsTemporaryFileName(std::string_view fileName);

}  // namespace kelvarin
