// Exact bytes of stored files, and CompressFile and DecompressFile on disk:
// folders, failures and what they leave behind.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>

#include "codec_test_util.h"
#include "tests/support/io_faults.h"
#include "tests/support/recorders.h"
#include "tests/support/sample_data.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

// Written out by hand from the token grammar: a literal is 1 + 8 bits, a
// match 0 + 14-bit position + 4-bit length code, the end 0 + 14 zero bits.
TEST(StoredFile, BytesAreExact) {
    const std::pair<Bytes, Bytes> table[] = {
        {{}, {0, 0, 0, 0, 0, 0}},
        {ToBytes("a"), {1, 0, 0, 0, 0xB0, 0x80, 0x00}},
        {ToBytes("abc"), {3, 0, 0, 0, 0xB0, 0xD8, 0xAC, 0x60, 0, 0}},
        {ToBytes("aaaa"), {4, 0, 0, 0, 0xB0, 0x80, 0x01, 0, 0, 0}},  // match from position 1
        {Bytes(30, 'a'), {30, 0, 0, 0, 0xB0, 0x80, 0x01, 0xF0, 0x02, 0x70, 0, 0}},
    };
    for (const auto& [content, stored] : table) {
        auto work = std::make_unique<LzssWindow>();
        EXPECT_EQ(FastCompress(content, *work), stored) << content.size() << " bytes";
    }
}

TEST(CompressFile, WritesTheStoredFileAndItsFoldersButNothingForAMissingInput) {
    TempDir dir;
    RecordingMessageBox boxes;
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(CompressFile(dir / "missing", dir / "sub/out.aup", *work), 0);
    EXPECT_FALSE(fs::exists(dir / "sub"));
    WriteFile(dir / "in", "");
    EXPECT_EQ(CompressFile(dir / "in", dir / "a/b/c/out.aup", *work), 1);
    EXPECT_EQ(ReadFile(dir / "a/b/c/out.aup"), Bytes(6, 0));
    EXPECT_TRUE(boxes.Shown().empty());
}

// Each way the output can fail: "error write file" with the output as
// caption, no temporary left, and the old stored file as it was.
TEST(CompressFile, FailedOutputKeepsTheOldStoredFile) {
    const std::pair<const char*, std::size_t> table[] = {
        {"blocker/out.aup", SIZE_MAX},  // a file where a folder should be
        {"out.aup", 0},                 // injected: the write fails at once
        {"out.aup", 1000},              // injected: the write fails part way
        {"dir.aup", SIZE_MAX},          // a folder at the output
    };
    for (const auto& [output, failAfter] : table) {
        SCOPED_TRACE(::testing::Message() << output << " failing after " << failAfter);
        TempDir dir;
        WriteFile(dir / "in", RandomBytes(20000, 1));
        WriteFile(dir / "blocker", "file, not a folder");
        WriteFile(dir / "out.aup", "old");
        fs::create_directory(dir / "dir.aup");
        RecordingMessageBox boxes;
        const FailingIo fault(FaultOn::kWrite, "out.aup", failAfter, ENOSPC);  // SIZE_MAX: never
        auto work = std::make_unique<LzssWindow>();
        EXPECT_EQ(CompressFile(dir / "in", dir / output, *work), 0);
        EXPECT_EQ(boxes.Shown(), (std::vector<ShownMessage>{{"error write file", dir / output}}));
        EXPECT_EQ(ReadFile(dir / "out.aup"), ToBytes("old"));
        EXPECT_EQ(ListFolder(dir.Path()),
                  (std::vector<std::string>{"blocker", "dir.aup", "in", "out.aup"}));
    }
}

TEST(CompressFile, ContentOf2GiBIsRefusedWithoutWriting) {
    TempDir dir;
    WriteFile(dir / "huge", "");
    fs::resize_file(dir / "huge", std::uintmax_t{1} << 31);  // sparse: nothing is read
    RecordingMessageBox boxes;
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(CompressFile(dir / "huge", dir / "huge.aup", *work), 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, dir / "huge");
    EXPECT_FALSE(fs::exists(dir / "huge.aup"));
}

// Runs `change` on the file as its first chunk is read: a build still being
// written while it is imported.
class ChangeWhileReading final : public IoSeam {
public:
    ChangeWhileReading(std::string name, std::function<void()> change)
        : m_name(std::move(name)), m_change(std::move(change)) {
        InstallIoSeam(this);
    }
    ~ChangeWhileReading() override { InstallIoSeam(nullptr); }
    std::unique_ptr<ByteSource> WrapSource(std::unique_ptr<ByteSource> source,
                                           const std::string& path) override {
        struct Changing final : ByteSource {
            long Read(std::uint8_t* bytes, std::size_t size, int& error) override {
                if (change) {
                    std::exchange(change, nullptr)();
                }
                return inner->Read(bytes, size, error);
            }
            std::unique_ptr<ByteSource> inner;
            std::function<void()> change;
        };
        if (!path.ends_with(m_name)) {
            return source;
        }
        auto changing = std::make_unique<Changing>();
        changing->inner = std::move(source);
        changing->change = m_change;
        return changing;
    }

private:
    std::string m_name;
    std::function<void()> m_change;
};

// A source that changes, cannot be read to its end, or whose stored file
// would be too large: the reason is given, and nothing is written.
TEST(PrepareStoredFile, SourceThatCannotBeStoredWholeWritesNothing) {
    TempDir base;
    const fs::path dir = base / "case";
    struct Case {
        const char* name;
        std::function<void()> change;  // while the first chunk is read
        std::size_t readFailsAfter;
        std::uint64_t maxStoredSize;
        const char* reason;
        bool box;
    };
    const Case cases[] = {
        {"Grows", [&] { std::ofstream(dir / "source.bin", std::ios::app) << "more"; }, SIZE_MAX,
         kMaxFieldLength, "changed while it was read", false},
        {"RewrittenSameSize", [&] { WriteFile(dir / "source.bin", RandomBytes(200000, 2)); },
         SIZE_MAX, kMaxFieldLength, "changed while it was read", false},
        {"ReadFails", nullptr, 70000, kMaxFieldLength, "cannot read the source", false},
        {"StoredTooLarge", nullptr, SIZE_MAX, 100000, "stored file would be 2 GiB or more", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(dir);
        WriteFile(dir / "source.bin", RandomBytes(200000, 1));
        // An old time, so a rewrite within the clock's tick still shows.
        fs::last_write_time(dir / "source.bin", fs::file_time_type{});
        WriteFile(dir / "out.aup", "old");
        std::optional<ChangeWhileReading> changing;
        if (c.change) {
            changing.emplace("source.bin", c.change);
        }
        std::optional<FailingIo> failing;
        if (c.readFailsAfter != SIZE_MAX) {
            failing.emplace(FaultOn::kRead, "source.bin", c.readFailsAfter);
        }
        RecordingMessageBox boxes;
        auto work = std::make_unique<LzssWindow>();
        PendingFile pending;
        StoreOptions options;
        options.maxStoredSize = c.maxStoredSize;
        const StoreOutcome stored = PrepareStoredFile(
            (dir / "source.bin").string(), (dir / "out.aup").string(), *work, pending, options);
        EXPECT_NE(stored.problem.find(c.reason), std::string::npos) << stored.problem;
        EXPECT_EQ(boxes.Shown().size(), c.box ? 1u : 0u);
        EXPECT_FALSE(pending.IsPending());
        EXPECT_EQ(ListFolder(dir), (std::vector<std::string>{"out.aup", "source.bin"}));
        EXPECT_EQ(ReadFile(dir / "out.aup"), ToBytes("old"));
        fs::remove_all(dir);
    }
}

TEST(DecompressFile, UnreadableOrHeaderlessFilesGiveNoContent) {
    TempDir dir;
    auto work = std::make_unique<LzssWindow>();
    Bytes content = ToBytes("stale");
    EXPECT_EQ(DecompressFile(dir / "missing", *work, content), 0);
    EXPECT_TRUE(content.empty());
    for (const Bytes& shortFile : {Bytes{}, Bytes{5, 0, 0}, Bytes{0, 0, 0, 0}}) {
        WriteFile(dir / "short.aup", shortFile);
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(DecompressFile(dir / "short.aup", *work, content), 0);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Fatal error in InputBit!\n");
        EXPECT_TRUE(content.empty());
    }
    WriteFile(dir / "ok.aup", Bytes{9, 9, 9, 9, 0xB0, 0x80, 0x00});  // length field not read
    EXPECT_EQ(DecompressFile(dir / "ok.aup", *work, content), 1);
    EXPECT_EQ(content, ToBytes("a"));
    // ...but a stored file whose length field disagrees is not whole.
    EXPECT_EQ(DecompressStoredFile(dir / "ok.aup", *work, content),
              StoredFileState::kLengthDisagrees);
    WriteFile(dir / "ok.aup", Bytes{1, 0, 0, 0, 0xB0, 0x80, 0x00});
    EXPECT_EQ(DecompressStoredFile(dir / "ok.aup", *work, content), StoredFileState::kWhole);
}

}  // namespace
}  // namespace kelvarin::test
