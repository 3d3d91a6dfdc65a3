// Where file bytes come from and go to. Every read and write of the product
// goes through a ByteSource or a ByteSink over a descriptor, so that tests
// can put a failing one in its place (IoSeam) and see each failure path
// without a full disk, a dying device or lowered limits. The flushes and
// renames that put a replacement in place ask the seam too, so a test can
// see their order or make a flush fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fileio/file_descriptor.h"

namespace kelvarin {

// Both return the bytes moved, or -1 with the reason in `error`; as read(2)
// and write(2) do, a source returns 0 at its end.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual long Read(std::uint8_t* bytes, std::size_t size, int& error) = 0;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual long Write(const std::uint8_t* bytes, std::size_t size, int& error) = 0;
};

class DescriptorSource final : public ByteSource {
public:
    explicit DescriptorSource(int fd) : m_fd(fd) {}
    long Read(std::uint8_t* bytes, std::size_t size, int& error) override;

private:
    int m_fd;
};

class DescriptorSink final : public ByteSink {
public:
    explicit DescriptorSink(int fd) : m_fd(fd) {}
    long Write(const std::uint8_t* bytes, std::size_t size, int& error) override;

private:
    int m_fd;
};

// Test seam: wraps the source or sink of every file opened while installed.
// `path` is the file read, or the target of a replacement (not its
// temporary).
class IoSeam {
public:
    virtual ~IoSeam() = default;
    virtual std::unique_ptr<ByteSource> WrapSource(std::unique_ptr<ByteSource> source,
                                                   const std::string& path) {
        (void)path;
        return source;
    }
    virtual std::unique_ptr<ByteSink> WrapSink(std::unique_ptr<ByteSink> sink,
                                               const std::string& path) {
        (void)path;
        return sink;
    }
    // The steps that put a replacement in place, in the order durability
    // needs: data flushed to disk (one file's for the target `path`, or a
    // whole file system's for the folder `path`), then a rename onto the
    // target `path`. A non-zero errno fails the step with it, untaken.
    enum class Step { kFlush, kRename };
    virtual int BeforeStep(Step step, const std::string& path) {
        (void)step;
        (void)path;
        return 0;
    }
};

// Installs `seam` (nullptr: none) for every file opened from now on.
// REQUIRES: no file is being opened meanwhile; the seam is thread-safe if
// threads open files while it is installed.
void InstallIoSeam(IoSeam* seam);

std::unique_ptr<ByteSource> OpenSource(int fd, const std::string& path);
std::unique_ptr<ByteSink> OpenSink(int fd, const std::string& path);
// What the installed seam says of a step about to be taken: 0 to take it.
int BeforeStep(IoSeam::Step step, const std::string& path);

}  // namespace kelvarin
