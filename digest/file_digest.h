// MD5 of a whole file, read in 10240-byte chunks so that a file of any size
// is digested in a fixed amount of memory. FileDigest reports problems itself
// and tells its caller nothing; TryFileDigest reads the same way but stays
// silent and says what happened, for callers that must not take a partial
// or missing digest for the real one.
#pragma once

#include <cstdint>
#include <string>

namespace kelvarin {

// Writes the digest of the file's content to `digest`. When the file cannot
// be opened, "Can not find the file!" goes through perror and `digest` is
// not written. On a read error, "Read error" is shown in the application
// message box and `digest` receives the digest of what was read before.
// REQUIRES: `digest` has room for 16 bytes.
void FileDigest(const std::string& path, std::uint8_t digest[16]);

enum class FileDigestResult {
    kComplete,    // `digest` holds the digest of the whole file
    kNotOpened,   // `digest` was not written
    kReadFailed,  // `digest` holds the digest of the chunks read before the failing read
};

// Reads exactly as FileDigest does and writes `digest` in the same cases,
// but shows nothing. On kNotOpened and kReadFailed, errno holds the cause.
// REQUIRES: `digest` has room for 16 bytes.
FileDigestResult TryFileDigest(const std::string& path, std::uint8_t digest[16]);

}  // namespace kelvarin
