// Injected I/O failures: while a FailingIo is alive, reads or writes of the
// files whose path contains `pathPart` fail with `error` once `after` bytes
// have gone through, as a full disk or a dying device would make them fail.
#pragma once

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fileio/byte_stream.h"
#include "tests/support/system_files.h"

namespace kelvarin::test {

enum class FaultOn { kRead, kWrite };

class FailingIo final : public IoSeam {
public:
    FailingIo(FaultOn on, std::string pathPart, std::size_t after = 0, int error = EIO)
        : m_on(on), m_pathPart(std::move(pathPart)), m_after(after), m_error(error) {
        InstallIoSeam(this);
    }
    ~FailingIo() override { InstallIoSeam(nullptr); }

    int Failures() const { return m_failures.load(); }

    std::unique_ptr<ByteSource> WrapSource(std::unique_ptr<ByteSource> source,
                                           const std::string& path) override {
        if (!Wanted(FaultOn::kRead, path)) {
            return source;
        }
        auto faulty = std::make_unique<Faulty>(*this);
        faulty->source = std::move(source);
        return faulty;
    }
    std::unique_ptr<ByteSink> WrapSink(std::unique_ptr<ByteSink> sink,
                                       const std::string& path) override {
        if (!Wanted(FaultOn::kWrite, path)) {
            return sink;
        }
        auto faulty = std::make_unique<Faulty>(*this);
        faulty->sink = std::move(sink);
        return faulty;
    }

private:
    struct Faulty final : ByteSource, ByteSink {
        explicit Faulty(FailingIo& owner) : io(owner) {}
        // Passes on bytes up to the failing point, then fails.
        template <class Move>
        long Pass(std::size_t size, int& error, Move move) {
            if (size > 0 && moved >= io.m_after) {
                error = io.m_error;
                ++io.m_failures;
                return -1;
            }
            const long done = move(std::min(size, io.m_after - moved));
            moved += done > 0 ? static_cast<std::size_t>(done) : 0;
            return done;
        }
        long Read(std::uint8_t* b, std::size_t n, int& e) override {
            return Pass(n, e, [&](std::size_t k) { return source->Read(b, k, e); });
        }
        long Write(const std::uint8_t* b, std::size_t n, int& e) override {
            return Pass(n, e, [&](std::size_t k) { return sink->Write(b, k, e); });
        }
        FailingIo& io;
        std::unique_ptr<ByteSource> source;
        std::unique_ptr<ByteSink> sink;
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

// Records the steps that put replaced files in place, "flush PATH" and
// "rename PATH" in the order taken, and fails every flush with `flushError`
// when it is not 0.
class DurabilitySteps final : public IoSeam {
public:
    explicit DurabilitySteps(int flushError = 0) : m_flushError(flushError) { InstallIoSeam(this); }
    ~DurabilitySteps() override { InstallIoSeam(nullptr); }
    int BeforeStep(Step step, const std::string& path) override {
        const std::lock_guard lock(m_mutex);
        m_taken.push_back((step == Step::kFlush ? "flush " : "rename ") + path);
        return step == Step::kFlush ? m_flushError : 0;
    }
    std::vector<std::string> Taken() const {
        const std::lock_guard lock(m_mutex);
        return m_taken;
    }

private:
    int m_flushError;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_taken;
};

// Sends `signal` to the process as the `stopAt`th file (from 0) starts to be
// written, then holds that writer until the process ends: a run killed or
// stopped at a seeded point. With `until`, the writer goes on once it is set.
class StopWhileWriting final : public IoSeam {
public:
    StopWhileWriting(int stopAt, int signal, const std::atomic<bool>* until = nullptr)
        : m_stopAt(stopAt), m_signal(signal), m_until(until) {
        InstallIoSeam(this);
    }
    ~StopWhileWriting() override { InstallIoSeam(nullptr); }
    std::unique_ptr<ByteSink> WrapSink(std::unique_ptr<ByteSink> sink,
                                       const std::string&) override {
        if (m_sinks.fetch_add(1) == m_stopAt) {
            SendStopSignal(m_signal);
            while (m_until == nullptr || !m_until->load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return sink;
    }

private:
    int m_stopAt, m_signal;
    const std::atomic<bool>* m_until;
    std::atomic<int> m_sinks{0};
};

}  // namespace kelvarin::test
