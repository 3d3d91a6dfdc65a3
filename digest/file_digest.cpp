// Whole-file MD5. The end-of-file indicator is tested before each read, so a
// file whose size is a multiple of the chunk size ends with a read of 0
// bytes, which takes in nothing. One reading loop serves both the reporting
// and the silent entry point; the reports are made where the failure happens,
// before anything else can change errno.
#include "digest/file_digest.h"

#include <cerrno>
#include <cstdio>

#include "digest/md5.h"
#include "platform/message_box.h"

namespace kelvarin {

namespace {

// The read size; also the whole memory that a file's digest needs.
constexpr std::size_t kChunkSize = 10240;

FileDigestResult DigestFile(const std::string& path, std::uint8_t digest[16], bool report) {
    Md5Context context;
    MD5Init(&context);

    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        if (report) {
            std::perror("Can not find the file!");
        }
        return FileDigestResult::kNotOpened;
    }

    FileDigestResult result = FileDigestResult::kComplete;
    int readErrno = 0;
    std::uint8_t chunk[kChunkSize];
    while (!std::feof(file)) {
        const std::size_t bytesRead = std::fread(chunk, 1, sizeof chunk, file);
        if (std::ferror(file)) {
            readErrno = errno;
            if (report) {
                AppMessageBox("Read error");
            }
            result = FileDigestResult::kReadFailed;
            break;
        }
        MD5Update(&context, chunk, static_cast<std::uint32_t>(bytesRead));
    }
    std::fclose(file);

    MD5Final(digest, &context);
    if (result == FileDigestResult::kReadFailed) {
        errno = readErrno;
    }
    return result;
}

}  // namespace

void FileDigest(const std::string& path, std::uint8_t digest[16]) {
    DigestFile(path, digest, true);
}

FileDigestResult TryFileDigest(const std::string& path, std::uint8_t digest[16]) {
    return DigestFile(path, digest, false);
}

}  // namespace kelvarin
