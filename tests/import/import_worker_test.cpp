// ImportWorker run on the test's own thread: its messages, which stored
// files it writes and which it leaves alone, and what it does with sources
// and stored files that cannot be used.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "import/import_messages.h"
#include "import/import_worker.h"
#include "scan/collect_files.h"
#include "tests/import/import_test_util.h"
#include "tests/import/source_root_test.h"
#include "tests/support/literal_codec.h"
#include "tests/support/recorders.h"
#include "tests/support/sample_data.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

RecordedMessage Progress(std::uintptr_t i, std::intptr_t k) {
    return {WM_IMPORT_PROGRESS, i, k};
}
RecordedMessage Added(std::uintptr_t i, std::intptr_t k) {
    return {WM_IMPORT_ADDED, i, k};
}
RecordedMessage Updated(std::uintptr_t i, std::intptr_t k) {
    return {WM_IMPORT_UPDATED, i, k};
}
RecordedMessage Failed(std::uintptr_t i, std::intptr_t k) {
    return {WM_IMPORT_FAILED, i, k};
}
RecordedMessage Finished(std::intptr_t k) {
    return {WM_IMPORT_FINISHED, 0, k};
}

using Messages = std::vector<RecordedMessage>;

// A source folder "New" and a root folder "upd" side by side.
class ImportWorkerTest : public SourceAndRootTest {
protected:
    Messages Run(std::vector<std::string> files, bool dryRun = false, std::int32_t worker = 0) {
        return RunWorker(m_root, m_source, std::move(files), dryRun, worker);
    }
};

TEST_F(ImportWorkerTest, EmptyListPostsOnlyFinished) {
    EXPECT_EQ(Run({}, false, 2), (Messages{Finished(2)}));
    EXPECT_TRUE(ListFolder(m_root).empty());
}

TEST_F(ImportWorkerTest, NewFileIsStoredUnderItsLowerCasedPath) {
    const Bytes content = TextLike(5000, 1);
    WriteFile(Source("Data/Sub/A.TXT"), content);
    EXPECT_EQ(Run({Source("Data/Sub/A.TXT")}),
              (Messages{Progress(0, 0), Added(0, 0), Finished(0)}));
    EXPECT_EQ(ListFolder(m_root), std::vector<std::string>{"data"});
    EXPECT_EQ(StoredContent(Stored("data/sub/a.txt.aup")), content);
}

TEST_F(ImportWorkerTest, MessagesOfOneWorkerComeInOrderWithRisingIndexes) {
    WriteFile(Source("new.txt"), "new");
    WriteFile(Source("same.txt"), "same");
    WriteFile(Source("changed.txt"), "before");
    Run({Source("same.txt"), Source("changed.txt")});
    WriteFile(Source("changed.txt"), "after!");

    EXPECT_EQ(Run({Source("new.txt"), Source("same.txt"), Source("changed.txt")}, false, 3),
              (Messages{Progress(0, 3), Added(0, 3), Progress(1, 3), Progress(2, 3), Updated(2, 3),
                        Finished(3)}));
}

TEST_F(ImportWorkerTest, UpToDateStoredFileIsNotWritten) {
    const Bytes content = RandomBytes(150000, 2);
    WriteFile(Source("big.bin"), content);
    Run({Source("big.bin")});
    SetOldTimes(Stored("big.bin.aup"));
    const FileStamp before = StampOf(Stored("big.bin.aup"));
    const Bytes storedBefore = ReadFile(Stored("big.bin.aup"));

    EXPECT_EQ(Run({Source("big.bin")}), (Messages{Progress(0, 0), Finished(0)}));
    EXPECT_EQ(StampOf(Stored("big.bin.aup")), before);
    EXPECT_EQ(ReadFile(Stored("big.bin.aup")), storedBefore);
}

TEST_F(ImportWorkerTest, OneChangedByteOfEqualSizeIsFoundWhereverItLies) {
    constexpr std::size_t kChunk = 10240;
    const Bytes large = TextLike(30 * kChunk + 123, 3);
    const Bytes small = ToBytes("a file of less than one chunk");
    struct Case {
        const Bytes& content;
        std::size_t at;
    };
    const Case cases[] = {{large, 17},
                          {large, kChunk},
                          {large, 15 * kChunk + 5},
                          {large, 30 * kChunk},
                          {large, large.size() - 1},
                          {small, 0},
                          {small, small.size() - 1}};
    for (const Case& c : cases) {
        WriteFile(Source("f.dat"), c.content);
        Run({Source("f.dat")});
        SetOldTimes(Stored("f.dat.aup"));
        Bytes changed = c.content;
        changed[c.at] ^= 0x20;
        WriteFile(Source("f.dat"), changed);

        EXPECT_EQ(Run({Source("f.dat")}), (Messages{Progress(0, 0), Updated(0, 0), Finished(0)}))
            << "byte " << c.at << " of " << c.content.size();
        EXPECT_EQ(StoredContent(Stored("f.dat.aup")), changed);
        EXPECT_NE(StampOf(Stored("f.dat.aup")).modifiedSeconds, 1000000000);
    }
}

TEST_F(ImportWorkerTest, SizeChangeIsFoundWithoutReadingTheSource) {
    WriteFile(Source("f.dat"), RandomBytes(40000, 4));
    Run({Source("f.dat")});
    WriteFile(Source("f.dat"), RandomBytes(40001, 4));
    // A dry run writes nothing, so nothing but the comparison could read it.
    const ReadWatch watch(Source("f.dat"));
    EXPECT_EQ(Run({Source("f.dat")}, true), (Messages{Progress(0, 0), Updated(0, 0), Finished(0)}));
    EXPECT_FALSE(watch.ContentWasRead());
}

TEST_F(ImportWorkerTest, EmptySourceAgainstEmptyStoredContentIsUpToDate) {
    WriteFile(Source("empty"), "");
    WriteFile(Stored("empty.aup"), Bytes(6, 0));
    SetOldTimes(Stored("empty.aup"));
    const FileStamp before = StampOf(Stored("empty.aup"));
    EXPECT_EQ(Run({Source("empty")}), (Messages{Progress(0, 0), Finished(0)}));
    EXPECT_EQ(StampOf(Stored("empty.aup")), before);
}

TEST_F(ImportWorkerTest, DamagedStoredFileIsRewrittenEvenWhenItsBytesSoFarMatch) {
    // "abc" stored is 10 bytes; cut after 8 the three literals are complete
    // but the end marker is gone. A zero-byte stored file is damaged too.
    WriteFile(Source("abc"), "abc");
    WriteFile(Stored("abc.aup"), Bytes{0x03, 0, 0, 0, 0xB0, 0xD8, 0xAC, 0x60});
    WriteFile(Source("empty"), "");
    WriteFile(Stored("empty.aup"), Bytes{});
    testing::internal::CaptureStdout();
    const Messages messages = Run({Source("abc"), Source("empty")});
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(messages, (Messages{Progress(0, 0), Updated(0, 0), Progress(1, 0), Updated(1, 0),
                                  Finished(0)}));
    EXPECT_EQ(ReadFile(Stored("abc.aup")), (Bytes{0x03, 0, 0, 0, 0xB0, 0xD8, 0xAC, 0x60, 0, 0}));
    EXPECT_EQ(ReadFile(Stored("empty.aup")), Bytes(6, 0));
}

TEST_F(ImportWorkerTest, DirectoryWhereTheStoredFileGoesFailsAndStays) {
    RecordingMessageBox boxes;
    WriteFile(Source("a.txt"), "content");
    fs::create_directories(Stored("a.txt.aup/inner"));
    EXPECT_EQ(Run({Source("a.txt")}), (Messages{Progress(0, 0), Failed(0, 0), Finished(0)}));
    EXPECT_EQ(boxes.Shown(),
              (std::vector<ShownMessage>{{"error write file", Stored("a.txt.aup")}}));
    EXPECT_TRUE(fs::is_directory(Stored("a.txt.aup/inner")));
    EXPECT_EQ(ListFolder(m_root), std::vector<std::string>{"a.txt.aup"});
}

TEST_F(ImportWorkerTest, SourceThatCannotBeReadFailsAndLeavesItsStoredFile) {
    // Gone since the scan, a FIFO, a dangling link: none can be read, none
    // may change or create a stored file.
    const Bytes oldStored = ReadFile([&] {
        WriteFile(Source("gone.txt"), "was here");
        Run({Source("gone.txt")});
        return Stored("gone.txt.aup");
    }());
    fs::remove(Source("gone.txt"));
    ASSERT_EQ(::mkfifo(Source("pipe").c_str(), 0600), 0);
    fs::create_symlink(Source("nowhere"), Source("dangling"));
    RecordingMessageBox boxes;

    EXPECT_EQ(Run({Source("gone.txt"), Source("pipe"), Source("dangling")}, false, 1),
              (Messages{Progress(0, 1), Failed(0, 1), Progress(1, 1), Failed(1, 1), Progress(2, 1),
                        Failed(2, 1), Finished(1)}));
    EXPECT_EQ(ReadFile(Stored("gone.txt.aup")), oldStored);
    EXPECT_EQ(ListFolder(m_root), std::vector<std::string>{"gone.txt.aup"});
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ImportWorkerTest, DryRunDecidesAsUsualAndWritesNothing) {
    WriteFile(Source("changed"), "before");
    WriteFile(Source("same"), "same");
    Run({Source("changed"), Source("same")});
    WriteFile(Source("changed"), "after, and longer");
    WriteFile(Source("Dir/new"), "new");
    const Bytes storedBefore = ReadFile(Stored("changed.aup"));

    EXPECT_EQ(Run({Source("changed"), Source("same"), Source("Dir/new")}, true),
              (Messages{Progress(0, 0), Updated(0, 0), Progress(1, 0), Progress(2, 0), Added(2, 0),
                        Finished(0)}));
    EXPECT_EQ(ReadFile(Stored("changed.aup")), storedBefore);
    EXPECT_EQ(ListFolder(m_root), (std::vector<std::string>{"changed.aup", "same.aup"}));
}

TEST_F(ImportWorkerTest, PathOutsideTheSourceFolderIsReportedAndNotStored) {
    // "NewX/a" starts with the source folder's text but is not below it.
    WriteFile(m_dir / "NewX/a", "elsewhere");
    RecordingMessageBox boxes;
    const std::string outside = CanonicalFolder(m_dir / "NewX") + "/a";
    EXPECT_EQ(Run({outside}), (Messages{Progress(0, 0), Failed(0, 0), Finished(0)}));
    EXPECT_EQ(boxes.Shown(), (std::vector<ShownMessage>{{"path has error!", outside}}));
    EXPECT_TRUE(ListFolder(m_root).empty());
}

// Short inputs from a three-letter alphabet: the compressor's choices for
// their last bytes depend on what the work area held before.
Bytes ShortAbc(std::mt19937& random) {
    Bytes content(5 + random() % 50);
    for (auto& byte : content) {
        byte = static_cast<std::uint8_t>('a' + random() % 3);
    }
    return content;
}

TEST_F(ImportWorkerTest, OneWorkAreaServesUnpackingAndPackingInTurn) {
    // Every file has an old stored file and has changed: the worker unpacks
    // the old one, then packs the new content, in one work area throughout.
    constexpr int kFiles = 200;
    std::mt19937 random(11);
    std::vector<std::string> files;
    std::vector<Bytes> newContents;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "f" + std::to_string(i);
        WriteFile(Source(name), ShortAbc(random));
        files.push_back(Source(name));
    }
    Run(files);
    std::vector<Bytes> oldStored;
    for (int i = 0; i < kFiles; ++i) {
        oldStored.push_back(ReadFile(Stored("f" + std::to_string(i) + ".aup")));
        Bytes changed = ShortAbc(random);
        changed.insert(changed.begin(), 'd');  // never equal to the old content
        WriteFile(files[static_cast<std::size_t>(i)], changed);
        newContents.push_back(changed);
    }

    Run(files);

    auto literal = std::make_unique<LiteralWindow>();
    auto packOnly = std::make_unique<LiteralWindow>();
    int filesWhereUnpackingMattered = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        LiteralDecompress(oldStored[i], *literal);
        const Bytes expected = LiteralCompress(newContents[i], *literal);
        EXPECT_EQ(ReadFile(Stored("f" + std::to_string(i) + ".aup")), expected) << files[i];
        if (LiteralCompress(newContents[i], *packOnly) != expected) {
            ++filesWhereUnpackingMattered;
        }
    }
    // Otherwise this data could not tell the two orders apart.
    EXPECT_GT(filesWhereUnpackingMattered, 0);
}

}  // namespace
}  // namespace kelvarin::test
