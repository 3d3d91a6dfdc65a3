// Whole-file digests: equal to the in-memory digest at the chunk edges, the
// output left alone when the file cannot be opened, and the digest of the
// chunks before a failing read. A blocked read from a named pipe that a
// signal interrupts gives a read error in the middle of a file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "digest/file_digest.h"
#include "tests/digest/md5_test_util.h"
#include "tests/support/recorders.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_dir.h"

namespace kelvarin {
namespace {

using test::Bytes;
using test::Hex;
using test::Md5Digest;

constexpr std::uint8_t kPrepared = 0x5A;

Md5Digest Prepared() {
    Md5Digest digest;
    digest.fill(kPrepared);
    return digest;
}

TEST(FileDigest, EqualsTheInMemoryDigestAtChunkEdges) {
    test::TempDir dir;
    test::RecordingMessageBox box;
    for (std::uint32_t size : {0u, 1u, 10239u, 10240u, 10241u, 20480u, 30721u}) {
        const Bytes content = test::RandomBytes(size, size);
        const std::string path = dir / ("file" + std::to_string(size));
        test::WriteFile(path, content);
        Md5Digest digest = Prepared();
        FileDigest(path, digest.data());
        EXPECT_EQ(Hex(digest), Hex(test::Md5Whole(content))) << "size " << size;
    }
    EXPECT_TRUE(box.Shown().empty());
}

TEST(FileDigest, TracesOneLinePerBlockOfTheFile) {
    test::TempDir dir;
    const Bytes content = test::RandomBytes(20480, 3);
    test::WriteFile(dir / "file", content);
    test::RecordingDebugOutput output;
    Md5Digest digest{};
    FileDigest(dir / "file", digest.data());
    EXPECT_EQ(output.Lines(), test::PlainTraceLines(content));
}

TEST(FileDigest, MissingFileLeavesThePreparedOutputAndReportsOnStandardError) {
    test::TempDir dir;
    test::RecordingMessageBox box;
    Md5Digest digest = Prepared();
    testing::internal::CaptureStderr();
    FileDigest(dir / "no such file", digest.data());
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(digest, Prepared());
    EXPECT_EQ(errors, "Can not find the file!: " + std::string(std::strerror(ENOENT)) + "\n");
    EXPECT_TRUE(box.Shown().empty());
}

TEST(FileDigest, ReadErrorShowsReadErrorAndDigestsNothingRead) {
    // Opening a directory for reading succeeds; the first read fails.
    test::TempDir dir;
    test::RecordingMessageBox box;
    Md5Digest digest = Prepared();
    FileDigest(dir.Path().string(), digest.data());
    EXPECT_EQ(box.Shown(), (std::vector<test::ShownMessage>{{"Read error", ""}}));
    EXPECT_EQ(Hex(digest), "d41d8cd98f00b204e9800998ecf8427e");
}

extern "C" void IgnoreSignal(int) {}

// Runs `digestFile` on a named pipe that holds `content` and then stays open
// with nothing more to read; the waiting read is interrupted by a signal
// without restart, which the stream reports as a read error.
void DigestPipeThatFailsAfter(const Bytes& content,
                              const std::function<void(std::string)>& digestFile) {
    test::TempDir dir;
    const std::string pipePath = dir / "pipe";
    ASSERT_EQ(::mkfifo(pipePath.c_str(), 0600), 0) << std::strerror(errno);

    struct sigaction interrupt {};
    interrupt.sa_handler = IgnoreSignal;
    sigemptyset(&interrupt.sa_mask);
    interrupt.sa_flags = 0;  // no SA_RESTART: a blocked read fails with EINTR
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGUSR1, &interrupt, &previous), 0);

    std::atomic<bool> done{false};
    std::thread reader([&] {
        digestFile(pipePath);
        done = true;
    });
    const int pipe = ::open(pipePath.c_str(), O_WRONLY);  // waits for the reader's open
    std::size_t written = 0;
    while (pipe != -1 && written < content.size()) {
        const ssize_t n = ::write(pipe, content.data() + written, content.size() - written);
        if (n <= 0) {
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    // Every byte is in the pipe or already read, so a read can only block
    // once the content is taken: keep interrupting until the reader is done.
    while (!done) {
        ::pthread_kill(reader.native_handle(), SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    reader.join();
    if (pipe != -1) {
        ::close(pipe);
    }
    ::sigaction(SIGUSR1, &previous, nullptr);
    ASSERT_NE(pipe, -1);
    ASSERT_EQ(written, content.size());
}

TEST(FileDigest, ReadErrorMidFileGivesTheDigestOfTheChunksBefore) {
    // The failing read gets the last 100 bytes before it fails: they are
    // not taken in.
    const Bytes content = test::RandomBytes(10240 + 100, 21);
    const Bytes firstChunk(content.begin(), content.begin() + 10240);
    test::RecordingMessageBox box;
    Md5Digest digest = Prepared();
    DigestPipeThatFailsAfter(content,
                             [&](const std::string& path) { FileDigest(path, digest.data()); });
    EXPECT_EQ(box.Shown(), (std::vector<test::ShownMessage>{{"Read error", ""}}));
    EXPECT_EQ(Hex(digest), Hex(test::Md5Whole(firstChunk)));
}

TEST(TryFileDigest, CompleteFileIsReportedComplete) {
    test::TempDir dir;
    const Bytes content = test::RandomBytes(12345, 4);
    test::WriteFile(dir / "file", content);
    Md5Digest digest = Prepared();
    EXPECT_EQ(TryFileDigest(dir / "file", digest.data()), FileDigestResult::kComplete);
    EXPECT_EQ(Hex(digest), Hex(test::Md5Whole(content)));
}

TEST(TryFileDigest, MissingFileIsReportedSilentlyAndLeavesTheOutput) {
    test::TempDir dir;
    test::RecordingMessageBox box;
    Md5Digest digest = Prepared();
    testing::internal::CaptureStderr();
    const FileDigestResult result = TryFileDigest(dir / "missing", digest.data());
    const int error = errno;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(result, FileDigestResult::kNotOpened);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(digest, Prepared());
    EXPECT_TRUE(box.Shown().empty());
}

TEST(TryFileDigest, ReadErrorIsReportedSilentlyWithItsCause) {
    test::TempDir dir;
    test::RecordingMessageBox box;
    Md5Digest digest = Prepared();
    const FileDigestResult result = TryFileDigest(dir.Path().string(), digest.data());
    const int error = errno;
    EXPECT_EQ(result, FileDigestResult::kReadFailed);
    EXPECT_EQ(error, EISDIR);
    EXPECT_EQ(Hex(digest), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_TRUE(box.Shown().empty());
}

TEST(TryFileDigest, ReadErrorMidFileKeepsTheChunksBefore) {
    const Bytes content = test::RandomBytes(20480, 22);
    Md5Digest digest = Prepared();
    FileDigestResult result = FileDigestResult::kComplete;
    DigestPipeThatFailsAfter(
        content, [&](const std::string& path) { result = TryFileDigest(path, digest.data()); });
    EXPECT_EQ(result, FileDigestResult::kReadFailed);
    EXPECT_EQ(Hex(digest), Hex(test::Md5Whole(content)));
}

}  // namespace
}  // namespace kelvarin
