#include "fileio/replace_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "fileio/byte_stream.h"
#include "fileio/file_descriptor.h"
#include "fileio/folders.h"

namespace kelvarin {

namespace {

constexpr std::string_view kTemporaryPrefix = ".~kvtmp.";

std::string TemporaryPathBeside(const std::string& path) {
    static std::atomic<unsigned long> counter{0};
    return DirectoryPart(path) + std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "." +
           std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
}

int WriteAll(ByteSink& sink, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        int error = 0;
        const long put = sink.Write(bytes.data(), bytes.size(), error);
        if (put < 0) {
            return error;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(put));
    }
    return 0;
}

}  // namespace

WriteOutcome WriteFileReplacing(const std::string& path,
                                std::initializer_list<std::span<const std::uint8_t>> pieces) {
    const std::string temporary = TemporaryPathBeside(path);
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!file.IsOpen()) {
        return {errno};
    }
    int error = 0;
    {
        const std::unique_ptr<ByteSink> sink = OpenSink(file.Get(), path);
        for (std::span<const std::uint8_t> piece : pieces) {
            if (error == 0) {
                error = WriteAll(*sink, piece);
            }
        }
    }
    const int closeError = file.Close();
    if (error == 0) {
        error = closeError;
    }
    if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        errno = error;  // for callers that only have a yes or no
    }
    return {error};
}

bool IsTemporaryFileName(std::string_view fileName) {
    return fileName.starts_with(kTemporaryPrefix);
}

}  // namespace kelvarin
