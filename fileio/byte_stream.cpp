#include "fileio/byte_stream.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

namespace kelvarin {

namespace {

std::atomic<IoSeam*> g_seam{nullptr};

// The most one read or write asks for: the Windows run time refuses a count
// above INT_MAX, and a shorter transfer is always allowed.
constexpr std::size_t kMostPerCall = std::size_t{1} << 30;

// Runs a read or write call again when a signal interrupted it.
template <class Call>
long RetryInterrupted(Call call, int& error) {
    for (;;) {
        const ssize_t moved = call();
        if (moved >= 0) {
            return static_cast<long>(moved);
        }
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

}  // namespace

long DescriptorSource::Read(std::uint8_t* bytes, std::size_t size, int& error) {
    return RetryInterrupted([&] { return ::read(m_fd, bytes, std::min(size, kMostPerCall)); },
                            error);
}

long DescriptorSink::Write(const std::uint8_t* bytes, std::size_t size, int& error) {
    return RetryInterrupted([&] { return ::write(m_fd, bytes, std::min(size, kMostPerCall)); },
                            error);
}

void InstallIoSeam(IoSeam* seam) {
    g_seam.store(seam, std::memory_order_release);
}

std::unique_ptr<ByteSource> OpenSource(int fd, const std::string& path) {
    std::unique_ptr<ByteSource> source = std::make_unique<DescriptorSource>(fd);
    if (IoSeam* seam = g_seam.load(std::memory_order_acquire)) {
        source = seam->WrapSource(std::move(source), path);
    }
    return source;
}

std::unique_ptr<ByteSink> OpenSink(int fd, const std::string& path) {
    std::unique_ptr<ByteSink> sink = std::make_unique<DescriptorSink>(fd);
    if (IoSeam* seam = g_seam.load(std::memory_order_acquire)) {
        sink = seam->WrapSink(std::move(sink), path);
    }
    return sink;
}

int BeforeStep(IoSeam::Step step, const std::string& path) {
    IoSeam* seam = g_seam.load(std::memory_order_acquire);
    return seam != nullptr ? seam->BeforeStep(step, path) : 0;
}

}  // namespace kelvarin
