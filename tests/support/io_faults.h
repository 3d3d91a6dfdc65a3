// Injected I/O failures: while a FailingIo is alive, reads or writes of the
// files whose path contains `pathPart` fail with `error` once `after` bytes
// have gone through, as a full disk or a dying device would make them fail.
#pragma once

#include <atomic>
#include <cerrno>
#include <string>

#include "fileio/byte_stream.h"

namespace kelvarin::test {

enum class FaultOn { kRead, kWrite };

class FailingIo final : public IoSeam {
public:
    FailingIo(FaultOn on, std::string pathPart, std::size_t after = 0, int error = EIO)
        : m_on(on), m_pathPart(std::move(pathPart)), m_after(after), m_error(error) {
        InstallIoSeam(this);
    }
    ~FailingIo() override { InstallIoSeam(nullptr); }
    FailingIo(const FailingIo&) = delete;
    FailingIo& operator=(const FailingIo&) = delete;

    // Files that failed so far.
    int Failures() const { return m_failures.load(); }

    std::unique_ptr<ByteSource> WrapSource(std::unique_ptr<ByteSource> source,
                                           const std::string& path) override {
        return Wanted(FaultOn::kRead, path) ? std::make_unique<Faulty>(std::move(source), *this)
                                            : std::move(source);
    }
    std::unique_ptr<ByteSink> WrapSink(std::unique_ptr<ByteSink> sink,
                                       const std::string& path) override {
        return Wanted(FaultOn::kWrite, path) ? std::make_unique<Faulty>(std::move(sink), *this)
                                             : std::move(sink);
    }

private:
    struct Faulty final : ByteSource, ByteSink {
        Faulty(std::unique_ptr<ByteSource> inner, FailingIo& owner)
            : source(std::move(inner)), io(owner) {}
        Faulty(std::unique_ptr<ByteSink> inner, FailingIo& owner)
            : sink(std::move(inner)), io(owner) {}
        // Lets bytes through up to the failing point, then fails.
        std::size_t Allowed(std::size_t size, int& error) {
            if (moved >= io.m_after) {
                error = io.m_error;
                ++io.m_failures;
                return 0;
            }
            return std::min(size, io.m_after - moved);
        }
        long Read(std::uint8_t* bytes, std::size_t size, int& error) override {
            const std::size_t allowed = size == 0 ? 0 : Allowed(size, error);
            const long got = allowed == 0 && size != 0 ? -1 : source->Read(bytes, allowed, error);
            moved += got > 0 ? static_cast<std::size_t>(got) : 0;
            return got;
        }
        long Write(const std::uint8_t* bytes, std::size_t size, int& error) override {
            const std::size_t allowed = size == 0 ? 0 : Allowed(size, error);
            const long put = allowed == 0 && size != 0 ? -1 : sink->Write(bytes, allowed, error);
            moved += put > 0 ? static_cast<std::size_t>(put) : 0;
            return put;
        }
        std::unique_ptr<ByteSource> source;
        std::unique_ptr<ByteSink> sink;
        FailingIo& io;
        std::size_t moved = 0;
    };

    bool Wanted(FaultOn on, const std::string& path) const {
        return on == m_on && path.find(m_pathPart) != std::string::npos;
    }

    FaultOn m_on;
    std::string m_pathPart;
    std::size_t m_after;
    int m_error;
    std::atomic<int> m_failures{0};
};

}  // namespace kelvarin::test
