// The shared steps of a replacement; what the system does at each step
// (fileio/file_calls.h) lives in posix/ and windows/.
#include "fileio/replace_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "fileio/byte_stream.h"
#include "fileio/file_calls.h"
#include "fileio/file_descriptor.h"
#include "fileio/live_temporaries.h"
#include "fileio/paths.h"

namespace kelvarin {

namespace {

constexpr std::string_view kTemporaryPrefix = ".~kvtmp&";
constexpr std::size_t kRandomDigits = 16;
// A leftover of a killed run may hold a name; a fresh random one is tried.
constexpr int kNameAttempts = 100;

// The random part of temporaries' names: a test's own source when one is set.
std::atomic<std::uint64_t (*)()> g_nameRandom{nullptr};

std::uint64_t NameRandom() {
    if (std::uint64_t(*next)() = g_nameRandom.load(std::memory_order_acquire)) {
        return next();
    }
    thread_local std::mt19937_64 random{std::random_device{}()};
    return random();
}

// Creates a new temporary beside `path`, named by process and a random
// number, so that neither another process nor a leftover can collide.
FileDescriptor CreateTemporaryBeside(const std::string& path, std::string& temporary) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, "%ld.%016llx", CurrentProcessId(),
                      static_cast<unsigned long long>(NameRandom()));
        temporary = DirectoryPart(path) + std::string(kTemporaryPrefix) + suffix;
        FileDescriptor file = CreateLiveTemporary(temporary);
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

void SetTemporaryNameRandom(std::uint64_t (*next)()) {
    g_nameRandom.store(next, std::memory_order_release);
}

std::string DescribeWriteFailure(const WriteOutcome& outcome, const std::string& path) {
    if (outcome.notRegular) {
        return path +
               " is not a regular file (a link, FIFO, device or folder); it was left as it is";
    }
    return "cannot write " + path + ": " + std::strerror(outcome.error);
}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
    if (this != &other) {
        Discard();
        m_path = std::move(other.m_path);
        m_temporary = std::exchange(other.m_temporary, std::string());
        m_size = other.m_size;
        m_file = std::move(other.m_file);
        m_sink = std::move(other.m_sink);
    }
    return *this;
}

WriteOutcome CheckReplaceable(const std::string& path) {
    if (const ReplacedTarget old = LookAtTarget(path); old.present && !old.regular) {
        errno = EEXIST;
        return {EEXIST, true};
    }
    return {};
}

WriteOutcome RemoveRegularFile(const std::string& path) {
    if (WriteOutcome refused = CheckReplaceable(path); !refused) {
        return refused;
    }
    if (const int error = RemoveFileNamed(path); error != 0 && error != ENOENT) {
        errno = error;
        return {error};
    }
    return {};
}

WriteOutcome PendingFile::Write(const std::string& path, Pieces pieces, bool flushData) {
    WriteOutcome outcome = Begin(path);
    for (std::span<const std::uint8_t> piece : pieces) {
        if (outcome) {
            outcome = Append(piece);
        }
    }
    return outcome ? Finish(flushData) : outcome;
}

WriteOutcome PendingFile::Begin(const std::string& path) {
    // One look both refuses what is not a regular file (as CheckReplaceable)
    // and gives what the new file keeps of the old one.
    const ReplacedTarget old = LookAtTarget(path);
    if (old.present && !old.regular) {
        errno = EEXIST;
        return {EEXIST, true};
    }
    m_file = CreateTemporaryBeside(path, m_temporary);
    if (!m_file.IsOpen()) {
        const int error = errno;
        m_temporary.clear();
        return {error};
    }
    m_path = path;
    m_size = 0;
    if (old.present) {
        // Readers such as a web server under another account keep their access.
        KeepTargetTraits(old, m_file.Get());
    }
    m_sink = OpenSink(m_file.Get(), path);
    return {};
}

WriteOutcome PendingFile::Append(std::span<const std::uint8_t> bytes) {
    if (const int error = WriteAll(*m_sink, bytes); error != 0) {
        return Fail(error);
    }
    m_size += bytes.size();
    return {};
}

WriteOutcome PendingFile::Finish(bool flushData) {
    m_sink.reset();
    // The data reaches the disk before the name does, or a crash could
    // publish an empty file under the target's name.
    if (flushData || FlushesEachFile()) {
        int error = BeforeStep(IoSeam::Step::kFlush, m_path);
        if (error == 0) {
            error = FlushFileData(m_file.Get());
        }
        if (error != 0) {
            return Fail(error);
        }
    }
    if (const int error = m_file.Close(); error != 0) {
        return Fail(error);
    }
    return {};
}

WriteOutcome PendingFile::Fail(int error) {
    Discard();
    errno = error;  // for callers that only have a yes or no
    return {error};
}

WriteOutcome PendingFile::Publish(FolderFlush flush) {
    int error = BeforeStep(IoSeam::Step::kRename, m_path);
    if (error == 0) {
        error = RenameOver(m_temporary, m_path);
    }
    if (error != 0) {
        Discard();
        errno = error;
        return {error};
    }
    ForgetLiveTemporary(m_temporary);
    m_temporary.clear();
    if (flush == FolderFlush::kNow) {
        FlushFolder(DirectoryPart(m_path));
    }
    return {};
}

void PendingFile::Discard() {
    m_sink.reset();
    m_file.Close();
    if (!m_temporary.empty()) {
        RemoveFileNamed(m_temporary);
        ForgetLiveTemporary(m_temporary);
        m_temporary.clear();
    }
}

WriteOutcome WriteFileReplacing(const std::string& path, Pieces pieces) {
    PendingFile file;
    const WriteOutcome written = file.Write(path, pieces);
    return written ? file.Publish() : written;
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

std::size_t RemoveLeftoverTemporaries(const std::vector<std::string>& paths) {
    std::size_t removed = 0;
    for (const std::string& path : paths) {
        const std::string_view name = FileNamePart(path);
        if (!IsTemporaryFileName(name)) {
            continue;
        }
        // The writer's process id is the number after the prefix.
        const long writer = std::strtol(
            path.c_str() + (path.size() - name.size()) + kTemporaryPrefix.size(), nullptr, 10);
        const bool writerEnded = writer != CurrentProcessId() && ProcessHasEnded(writer);
        if (writerEnded && RemoveFileNamed(path) == 0) {
            ++removed;
        }
    }
    return removed;
}

std::size_t RemoveLeftoverTemporariesIn(const std::string& folder) {
    return RemoveLeftoverTemporaries(EntriesStartingWith(folder, kTemporaryPrefix));
}

}  // namespace kelvarin
