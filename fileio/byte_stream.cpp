#include "fileio/byte_stream.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace kelvarin {

namespace {

std::atomic<IoSeam*> g_seam{nullptr};

}  // namespace

long DescriptorSource::Read(std::uint8_t* bytes, std::size_t size, int& error) {
    for (;;) {
        const ssize_t got = ::read(m_fd, bytes, size);
        if (got >= 0) {
            return static_cast<long>(got);
        }
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

long DescriptorSink::Write(const std::uint8_t* bytes, std::size_t size, int& error) {
    for (;;) {
        const ssize_t put = ::write(m_fd, bytes, size);
        if (put >= 0) {
            return static_cast<long>(put);
        }
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
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

}  // namespace kelvarin
