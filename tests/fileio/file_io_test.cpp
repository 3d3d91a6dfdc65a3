// The file layer: what each read and replacement gives on success and on
// every kind of failure, once against the real system and otherwise
// through injected faults.
#include <gtest/gtest.h>

#include <algorithm>

#include "fileio/file_reader.h"
#include "fileio/paths.h"
#include "fileio/remove_file.h"
#include "fileio/replace_file.h"
#include "fileio/root_lock.h"
#include "tests/support/io_faults.h"
#include "tests/support/sample_data.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

TEST(ReadWholeFile, ReadsRegularFilesAndRefusesEverythingElse) {
    TempDir dir;
    const Bytes content = RandomBytes(100000, 1);
    WriteFile(dir / "file", content);
    fs::create_directory(dir / "folder");
    const std::string special = MakeSpecialFile(dir.Path());  // must not block
    struct Case {
        std::string name;
        std::uint64_t maxSize;
        ReadResult result;
        int error;
    };
    for (const Case& c : {Case{"file", SIZE_MAX, ReadResult::kOk, 0},
                          Case{"file", content.size(), ReadResult::kOk, 0},
                          Case{"file", content.size() - 1, ReadResult::kTooLarge, EFBIG},
                          Case{"missing", SIZE_MAX, ReadResult::kCannotOpen, ENOENT},
                          Case{"folder", SIZE_MAX, ReadResult::kNotAFile, EISDIR},
                          Case{special, SIZE_MAX, ReadResult::kNotAFile, 0}}) {
        SCOPED_TRACE(::testing::Message() << c.name << " max " << c.maxSize);
        Bytes read = ToBytes("stale");
        const ReadOutcome outcome =
            ReadWholeFile(c.name == special ? special : dir / c.name, read, c.maxSize);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.error, c.error);
        EXPECT_EQ(read, c.result == ReadResult::kOk ? content : Bytes{});
    }
    EXPECT_EQ(DescribeReadFailure({ReadResult::kCannotOpen, ENOENT}, "/x"),
              "cannot open /x: No such file or directory");
}

TEST(ReadWholeFile, ReadFailurePartWayGivesNothing) {
    TempDir dir;
    WriteFile(dir / "file", RandomBytes(50000, 2));
    for (std::size_t after : {0, 1, 49999}) {
        FailingIo fault(FaultOn::kRead, "file", after, EIO);
        Bytes read;
        EXPECT_EQ(ReadWholeFile(dir / "file", read, SIZE_MAX).error, EIO) << after;
        EXPECT_TRUE(read.empty());
    }
}

// The old file stays as it was, with no temporary beside it, whether the
// temporary cannot be created or its writing fails.
TEST(WriteFileReplacing, FailureLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    WriteFile(dir / "list.xml", "old");
    fs::create_directory(dir / "folder");
    const Bytes data = RandomBytes(70000, 4);
    EXPECT_EQ(WriteFileReplacing(dir / "missing/list.xml", data).error, ENOENT);
    for (std::size_t after : {0, 1, 65536}) {
        FailingIo fault(FaultOn::kWrite, "list.xml", after, ENOSPC);
        EXPECT_EQ(WriteFileReplacing(dir / "list.xml", {data, data}).error, ENOSPC);
        EXPECT_EQ(fault.Failures(), 1);
    }
    EXPECT_EQ(ReadFile(dir / "list.xml"), ToBytes("old"));
    EXPECT_EQ(ListFolder(dir.Path()), (std::vector<std::string>{"folder", "list.xml"}));

    ASSERT_TRUE(static_cast<bool>(WriteFileReplacing(dir / "list.xml", {data, data})));
    Bytes twice = data;
    twice.insert(twice.end(), data.begin(), data.end());
    EXPECT_EQ(ReadFile(dir / "list.xml"), twice);
}

// Only a regular file is replaced: whatever else stands at the target stays.
TEST(WriteFileReplacing, LeavesEverythingButARegularFileAlone) {
    TempDir dir;
    WriteFile(dir / "real", "real");
    fs::create_directory(dir / "folder");
    const bool links =
        MakeLink(dir / "real", dir / "link") && MakeLink(dir / "nowhere", dir / "dangling");
    const std::string special = MakeSpecialFile(dir.Path());
    std::vector<std::string> targets{dir / "folder", special};
    if (links) {
        targets.insert(targets.end(), {dir / "link", dir / "dangling"});
    }
    for (const std::string& target : targets) {
        const WriteOutcome outcome = WriteFileReplacing(target, ToBytes("new"));
        EXPECT_TRUE(outcome.notRegular && !outcome) << target;
        EXPECT_EQ(DescribeWriteFailure(outcome, "x"),
                  "x is not a regular file (a link, FIFO, device or folder); it was left as it is");
    }
    EXPECT_EQ(ReadFile(dir / "real"), ToBytes("real"));
    std::vector<std::string> names{"folder", "real"};
    for (const std::string& target : targets) {
        if (target != dir / "folder" && target.starts_with(dir.Path().string())) {
            names.emplace_back(FileNamePart(target));
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(ListFolder(dir.Path()), names);
    if (!links) {
        GTEST_SKIP() << kNoLinks;
    }
}

// Guards that a removal below a root follows no link, neither on the way
// nor at the end, and removes nothing but a regular file.
TEST(RemoveRegularFileBelow, RemovesOnlyARegularFileReachedWithoutALink) {
    TempDir dir;
    WriteFile(dir / "root/sub/x.aup", "x");
    WriteFile(dir / "outside/y.aup", "y");
    const std::string root = dir / "root";
    const bool links = MakeLink("../outside", dir / "root/sub/ext", true) &&
                       MakeLink("../outside/y.aup", dir / "root/y.aup");
    if (links) {
        EXPECT_EQ(RemoveRegularFileBelow(root, "sub/ext/y.aup"), "lies behind the link sub/ext");
        EXPECT_EQ(RemoveRegularFileBelow(root, "y.aup"), "is not a regular file");
        EXPECT_EQ(ListFolder(dir / "root/sub"), (std::vector<std::string>{"ext", "x.aup"}));
    }
    EXPECT_EQ(RemoveRegularFileBelow(root, "sub"), "is not a regular file");
    EXPECT_EQ(RemoveRegularFileBelow(root, "sub/x.aup"), "");
    EXPECT_FALSE(fs::exists(dir / "root/sub/x.aup"));
    EXPECT_EQ(ListFolder(dir / "outside"), std::vector<std::string>{"y.aup"});
    if (!links) {
        GTEST_SKIP() << kNoLinks;
    }
}

// A temporary's name that is taken (a leftover, another writer's) is passed
// over for a fresh one, and the file holding it is left as it was.
TEST(WriteFileReplacing, ATakenTemporaryNameIsNeverReused) {
    TempDir dir;
    static int calls = 0;
    SetTemporaryNameRandom([]() -> std::uint64_t { return calls++ == 0 ? 7 : 8; });
    const std::string taken = ".~kvtmp&" + std::to_string(::getpid()) + ".0000000000000007";
    WriteFile(dir / taken, "theirs");
    const WriteOutcome written = WriteFileReplacing(dir / "a", ToBytes("new"));
    SetTemporaryNameRandom(nullptr);
    ASSERT_TRUE(static_cast<bool>(written));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(ReadFile(dir / "a"), ToBytes("new"));
    EXPECT_EQ(ReadFile(dir / taken), ToBytes("theirs"));
    EXPECT_EQ(ListFolder(dir.Path()), (std::vector<std::string>{taken, "a"}));
}

// A temporary is a leftover once its writer has ended, never before; this
// process's own are its live temporaries.
TEST(RemoveLeftoverTemporaries, RemovesOnlyWhatAnEndedWriterLeft) {
    TempDir dir;
    OtherProcess ended, writer;
    ended.End();
    const auto temporaryOf = [&dir](long writerId) {
        return dir / (".~kvtmp&" + std::to_string(writerId) + ".0123456789abcdef");
    };
    for (const long id : {ended.Id(), writer.Id(), static_cast<long>(::getpid())}) {
        WriteFile(temporaryOf(id), "x");
    }
    EXPECT_EQ(RemoveLeftoverTemporariesIn(dir.Path().string()), 1u);
    EXPECT_FALSE(fs::exists(temporaryOf(ended.Id())));
    writer.End();
    EXPECT_EQ(RemoveLeftoverTemporariesIn(dir.Path().string()), 1u);
    const std::string own(FileNamePart(temporaryOf(::getpid())));
    EXPECT_EQ(ListFolder(dir.Path()), std::vector<std::string>{own});
}

// One run per root, however the root is spelled.
TEST(RootLock, ASecondHoldIsRefusedHoweverTheRootIsSpelled) {
    TempDir dir;
    const std::string root = dir / "Root";
    fs::create_directory(root);
    std::string upper = root, slashes = root;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    {
        const RootLock held = RootLock::TryLock(root);
        ASSERT_EQ(held.GetState(), RootLock::State::kHeld);
        for (const std::string& spelling :
             {root, root + kSeparator, dir / "./Root", slashes, upper}) {
            if (SamePathText(spelling, root)) {
                EXPECT_EQ(RootLock::TryLock(spelling).GetState(), RootLock::State::kBusy)
                    << spelling;
            }
        }
    }
    EXPECT_EQ(RootLock::TryLock(root).GetState(), RootLock::State::kHeld);
}

// A file merely named like a temporary is a published file like any other.
TEST(WriteFileReplacing, TemporaryNamesAreExactlyRecognised) {
    EXPECT_TRUE(IsTemporaryFileName(".~kvtmp&12.0123456789abcdef"));
    for (const char* name :
         {".~kvtmp.config", ".~kvtmp&12.0123456789abcde", "a.~kvtmp&1.0123456789abcdef",
          ".~kvtmp&12.0123456789ABCDEF", ".~kvtmp&.0123456789abcdef"}) {
        EXPECT_FALSE(IsTemporaryFileName(name)) << name;
    }
}

}  // namespace
}  // namespace kelvarin::test
