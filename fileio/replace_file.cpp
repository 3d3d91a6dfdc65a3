#include "fileio/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "fileio/byte_stream.h"
#include "fileio/file_descriptor.h"
#include "fileio/folders.h"

namespace kelvarin {

namespace {

constexpr std::string_view kTemporaryPrefix = ".~kvtmp&";
constexpr std::size_t kRandomDigits = 16;
// A leftover of a killed run may hold a name; a fresh random one is tried.
constexpr int kNameAttempts = 100;

// Creates a new temporary beside `path`, named by process and a random
// number, so that neither another process nor a leftover can collide.
FileDescriptor CreateTemporaryBeside(const std::string& path, std::string& temporary) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, "%d.%016llx", static_cast<int>(::getpid()),
                      static_cast<unsigned long long>(random()));
        temporary = DirectoryPart(path) + std::string(kTemporaryPrefix) + suffix;
        FileDescriptor file(
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.IsOpen() || errno != EEXIST) {
            return file;
        }
    }
    return FileDescriptor();
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

std::string DescribeWriteFailure(const WriteOutcome& outcome, const std::string& path) {
    if (outcome.notRegular) {
        return path +
               " is not a regular file (a link, FIFO, device or folder); it was left as it is";
    }
    return "cannot write " + path + ": " + std::strerror(outcome.error);
}

WriteOutcome WriteFileReplacing(const std::string& path,
                                std::initializer_list<std::span<const std::uint8_t>> pieces) {
    struct stat old {};
    const bool replacing = ::lstat(path.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode)) {
        errno = EEXIST;
        return {EEXIST, true};
    }
    std::string temporary;
    FileDescriptor file = CreateTemporaryBeside(path, temporary);
    if (!file.IsOpen()) {
        return {errno};
    }
    if (replacing) {
        // Readers such as a web server under another account keep their access.
        ::fchmod(file.Get(), old.st_mode & 07777);
        if (::fchown(file.Get(), old.st_uid, old.st_gid) != 0) {
            // Only root may give a file away; the mode above still holds.
        }
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
    if (!fileName.starts_with(kTemporaryPrefix)) {
        return false;
    }
    const std::string_view rest = fileName.substr(kTemporaryPrefix.size());
    const std::size_t dot = rest.find('.');
    const auto digits = [](std::string_view text, std::string_view allowed) {
        return !text.empty() && text.find_first_not_of(allowed) == std::string_view::npos;
    };
    return dot != std::string_view::npos && digits(rest.substr(0, dot), "0123456789") &&
           rest.size() - dot - 1 == kRandomDigits &&
           digits(rest.substr(dot + 1), "0123456789abcdef");
}

}  // namespace kelvarin
