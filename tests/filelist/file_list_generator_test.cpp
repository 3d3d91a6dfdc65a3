// Generate File List on real folders: exact bytes of small lists, the pack
// flag and the names as the updater reads them, and the runs that must
// leave the old list and its companion alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "filelist/file_list_generator.h"
#include "settings/settings_files.h"
#include "tests/filelist/sequential_file_list.h"
#include "tests/support/recorders.h"
#include "tests/support/temp_dir.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadFile;
using test::TempDir;
using test::ToBytes;
using test::WriteFile;

// Stored files of the format's examples.
const Bytes kStoredAbc = {0x03, 0, 0, 0, 0xB0, 0xD8, 0xAC, 0x60, 0, 0};
const Bytes kStoredEmpty = {0, 0, 0, 0, 0, 0};

constexpr char kMd5StoredAbc[] = "502c806229d909254774e09fd4923283";
constexpr char kMd5xAbc[] = " 90 01 50 98 3c d2 4f b0 d6 96 3f 7d 28 e1 7f 72";
constexpr char kMd5SixZeros[] = "7319468847d7b1aee40dbf5dd963c999";
constexpr char kMd5xEmpty[] = " d4 1d 8c d9 8f 00 b2 04 e9 80 09 98 ec f8 42 7e";

// A digest as md5x writes it: a space before each pair.
std::string SpacedHex(const test::Digest& digest) {
    const std::string hex = test::Hex(digest);
    std::string spaced;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        spaced += " " + hex.substr(i, 2);
    }
    return spaced;
}

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The generator's run as the dialog makes it: the list, then its companion.
FileListResult Generate(const TempDir& dir, const std::vector<std::string>& excludeList = {},
                        const std::string& listPath = {}, unsigned workers = 0) {
    FileListRequest request;
    request.rootPath = dir.Path().string();
    request.listPath = listPath;
    request.excludeList = excludeList;
    request.workers = workers;
    testing::internal::CaptureStdout();  // decoder reports on damaged streams
    FileListResult result = WriteFileList(request);
    testing::internal::GetCapturedStdout();
    if (result.Written()) {
        auto work = std::make_unique<LzssWindow>();
        EXPECT_EQ(WriteFileListCompanion(result.listPath, *work), 1);
    }
    return result;
}

std::string ListText(const TempDir& dir) {
    return Text(ReadFile(dir / "update_filelist.xml"));
}

std::string Element(const std::string& name, int pack, int length, const std::string& md5,
                    const std::string& md5x) {
    return "    <file name=\"" + name + "\" pack=\"" + std::to_string(pack) + "\" length=\"" +
           std::to_string(length) + "\" md5=\"" + md5 + "\" md5x=\"" + md5x + "\" />\n";
}

// The element line of the file with this published name, or "".
std::string LineOf(const std::string& list, const std::string& name) {
    const std::size_t at = list.find("<file name=\"" + name + "\"");
    if (at == std::string::npos) {
        return "";
    }
    return list.substr(at - 4, list.find('\n', at) + 1 - (at - 4));
}

TEST(FileListExamples, EmptyRootGivesCountZeroAndCompanion) {
    TempDir dir;
    const FileListResult result = Generate(dir);
    ASSERT_TRUE(result.Written()) << result.message;
    EXPECT_EQ(result.listPath, dir / "update_filelist.xml");
    EXPECT_EQ(ListText(dir), "<root count=\"0\">\n</root>");
    auto work = std::make_unique<LzssWindow>();
    Bytes content;
    EXPECT_EQ(DecompressFile(dir / "update_filelist.xml.bin", *work, content), 1);
    EXPECT_EQ(Text(content), "<root count=\"0\">\n</root>");
}

TEST(FileListExamples, RootWithOnlyTheListFilesGivesCountZero) {
    TempDir dir;
    WriteFile(dir / "update_filelist.xml", "old list");
    WriteFile(dir / "update_filelist.xml.bin", "old companion");
    ASSERT_TRUE(Generate(dir).Written());
    EXPECT_EQ(ListText(dir), "<root count=\"0\">\n</root>");
    EXPECT_EQ(test::ListFolder(dir.Path()),
              (std::vector<std::string>{"update_filelist.xml", "update_filelist.xml.bin"}));
}

TEST(FileListExamples, StoredAbcFileAndOldList) {
    TempDir dir;
    WriteFile(dir / "data/a.txt.aup", kStoredAbc);
    WriteFile(dir / "update_filelist.xml", "old list");
    const FileListResult result = Generate(dir);
    ASSERT_TRUE(result.Written());
    EXPECT_EQ(result.fileCount, 1u);
    EXPECT_EQ(result.totalBytes, 10u);
    EXPECT_EQ(ListText(dir), "<root count=\"1\">\n" +
                                 Element("data\\a.txt.aup", 1, 10, kMd5StoredAbc, kMd5xAbc) +
                                 "</root>");
}

TEST(FileListExamples, EmptyContentHasTheDigestOfTheEmptyMessage) {
    TempDir dir;
    WriteFile(dir / "e.aup", kStoredEmpty);
    ASSERT_TRUE(Generate(dir).Written());
    EXPECT_EQ(LineOf(ListText(dir), "e.aup"), Element("e.aup", 1, 6, kMd5SixZeros, kMd5xEmpty));
}

TEST(FileListPack, ExclusionEntriesFromTheExample) {
    for (const auto& [entry, pack] : std::vector<std::pair<std::string, int>>{
             {"DATA\\A.TXT", 0}, {"data\\a.txt.aup", 1}, {"data/a.txt", 1}}) {
        SCOPED_TRACE(entry);
        TempDir dir;
        WriteFile(dir / "Data/A.TXT.aup", kStoredAbc);
        ASSERT_TRUE(Generate(dir, {entry}).Written());
        EXPECT_EQ(LineOf(ListText(dir), "data\\a.txt.aup"),
                  Element("data\\a.txt.aup", pack, 10, kMd5StoredAbc, kMd5xAbc));
    }
}

TEST(FileListPack, Mp3Rules) {
    TempDir dir;
    WriteFile(dir / "music/song.mp3.aup", kStoredEmpty);
    WriteFile(dir / "music/song.mp3x.aup", kStoredEmpty);
    WriteFile(dir / "music.mp3/song.aup", kStoredEmpty);
    WriteFile(dir / "Loud/TRACK.MP3.aup", kStoredEmpty);
    ASSERT_TRUE(Generate(dir).Written());
    const std::string list = ListText(dir);
    EXPECT_NE(LineOf(list, "music\\song.mp3.aup").find("pack=\"0\""), std::string::npos);
    EXPECT_NE(LineOf(list, "music\\song.mp3x.aup").find("pack=\"1\""), std::string::npos);
    EXPECT_NE(LineOf(list, "music.mp3\\song.aup").find("pack=\"1\""), std::string::npos);
    EXPECT_NE(LineOf(list, "loud\\track.mp3.aup").find("pack=\"0\""), std::string::npos);
}

TEST(FileListPack, NameShorterThanFourCharactersIsItsOwnStem) {
    TempDir dir;
    WriteFile(dir / "ab", "hi");
    ASSERT_TRUE(Generate(dir, {"AB"}).Written());
    EXPECT_EQ(LineOf(ListText(dir), "ab"),
              Element("ab", 0, 2, "49f68a5c8493ec2c0bf489821c21fc3b", kMd5xEmpty));
}

TEST(FileListPack, StemWithASpaceCannotBeExcludedThroughTheFile) {
    TempDir dir;
    WriteFile(dir / "my song.dat.aup", kStoredEmpty);
    WriteFile(dir / "exclude.list", "my song.dat\n");
    const std::vector<std::string> entries = ReadExcludeListFile(dir / "exclude.list");
    ASSERT_TRUE(Generate(dir, entries).Written());
    EXPECT_NE(LineOf(ListText(dir), "my song.dat.aup").find("pack=\"1\""), std::string::npos);
}

TEST(FileListContent, PlainFileIsListedWithItsBytesAndWhatDecodingYields) {
    TempDir dir;
    WriteFile(dir / "notes.txt", "notes");
    ASSERT_TRUE(Generate(dir).Written());
    // "notes" after its first four bytes is 0x73: a match flag with too few
    // bits for a position, so nothing decodes.
    EXPECT_EQ(LineOf(ListText(dir), "notes.txt"),
              Element("notes.txt", 1, 5, "4358b5009c67d0e31d7fbf1663fcd3bf", kMd5xEmpty));
}

TEST(FileListContent, AmpersandAndSpacesAreWrittenAsTheyAre) {
    TempDir dir;
    WriteFile(dir / "R&D notes/a&b.aup", kStoredAbc);
    ASSERT_TRUE(Generate(dir).Written());
    EXPECT_EQ(LineOf(ListText(dir), "r&d notes\\a&b.aup"),
              Element("r&d notes\\a&b.aup", 1, 10, kMd5StoredAbc, kMd5xAbc));
}

TEST(FileListContent, ElementsFollowTheScanOrder) {
    TempDir dir;
    for (const char* name : {"zeta.aup", "b/x.aup", "Alpha.aup", "a_b.aup", "B1.aup", "b/W.aup"}) {
        WriteFile(dir / name, kStoredEmpty);
    }
    ASSERT_TRUE(Generate(dir).Written());
    const std::string list = ListText(dir);
    std::vector<std::string> names;
    for (std::size_t at = list.find("name=\""); at != std::string::npos;
         at = list.find("name=\"", at + 1)) {
        names.push_back(list.substr(at + 6, list.find('"', at + 6) - at - 6));
    }
    // Letters compare as upper case, so '_' sorts after them; a folder's
    // files stand where the folder stands.
    EXPECT_EQ(names, (std::vector<std::string>{"alpha.aup", "a_b.aup", "b\\w.aup", "b\\x.aup",
                                               "b1.aup", "zeta.aup"}));
}

TEST(FileListContent, SmallTreeByteForByte) {
    TempDir dir;
    WriteFile(dir / "ab", "hi");
    WriteFile(dir / "Data/A.TXT.aup", kStoredAbc);
    WriteFile(dir / "music/Song.MP3.aup", kStoredEmpty);
    WriteFile(dir / "notes & more.txt", "notes");
    WriteFile(dir / "update_filelist.xml", "old");
    ASSERT_TRUE(Generate(dir, {"AB"}).Written());
    const std::string expected =
        "<root count=\"4\">\n"
        "    <file name=\"ab\" pack=\"0\" length=\"2\" md5=\"49f68a5c8493ec2c0bf489821c21fc3b\" "
        "md5x=\" d4 1d 8c d9 8f 00 b2 04 e9 80 09 98 ec f8 42 7e\" />\n"
        "    <file name=\"data\\a.txt.aup\" pack=\"1\" length=\"10\" "
        "md5=\"502c806229d909254774e09fd4923283\" "
        "md5x=\" 90 01 50 98 3c d2 4f b0 d6 96 3f 7d 28 e1 7f 72\" />\n"
        "    <file name=\"music\\song.mp3.aup\" pack=\"0\" length=\"6\" "
        "md5=\"7319468847d7b1aee40dbf5dd963c999\" "
        "md5x=\" d4 1d 8c d9 8f 00 b2 04 e9 80 09 98 ec f8 42 7e\" />\n"
        "    <file name=\"notes & more.txt\" pack=\"1\" length=\"5\" "
        "md5=\"4358b5009c67d0e31d7fbf1663fcd3bf\" "
        "md5x=\" d4 1d 8c d9 8f 00 b2 04 e9 80 09 98 ec f8 42 7e\" />\n"
        "</root>";
    EXPECT_EQ(ListText(dir), expected);
    auto work = std::make_unique<LzssWindow>();
    Bytes content;
    ASSERT_EQ(DecompressFile(dir / "update_filelist.xml.bin", *work, content), 1);
    EXPECT_EQ(Text(content), expected);
}

TEST(FileListContent, LargeStoredFileIsDigestedWhole) {
    TempDir dir;
    Bytes content(600000);
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
    }
    auto work = std::make_unique<LzssWindow>();
    Bytes stored;
    CompressBuffer(content, *work, stored);
    WriteFile(dir / "big.aup", stored);
    ASSERT_TRUE(Generate(dir).Written());
    EXPECT_EQ(LineOf(ListText(dir), "big.aup"),
              Element("big.aup", 1, static_cast<int>(stored.size()), test::Hex(test::Md5Of(stored)),
                      SpacedHex(test::Md5Of(content))));
}

TEST(FileListOtherPlace, ListSavedElsewhereIsListedAtTheNextRun) {
    TempDir dir;
    WriteFile(dir / "a.aup", kStoredAbc);
    WriteFile(dir / "update_filelist.xml", "default list");
    const std::string myList = dir / "sub/mylist.xml";
    fs::create_directories(dir.Path() / "sub");
    ASSERT_TRUE(Generate(dir, {}, myList).Written());
    EXPECT_TRUE(fs::exists(myList + ".bin"));
    const std::string first = Text(ReadFile(myList));
    EXPECT_EQ(first.substr(0, 17), "<root count=\"1\">\n");
    EXPECT_EQ(Text(ReadFile(dir / "update_filelist.xml")), "default list");

    testing::internal::CaptureStdout();
    const std::string expected = test::SequentialListText(dir.Path().string(), {});
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(Generate(dir, {}, myList).Written());
    const std::string second = Text(ReadFile(myList));
    EXPECT_EQ(second.substr(0, 17), "<root count=\"3\">\n");
    const std::string line = LineOf(second, "sub\\mylist.xml");
    EXPECT_NE(line.find("length=\"" + std::to_string(first.size()) + "\" md5=\"" +
                        test::Hex(test::Md5Of(ToBytes(first))) + "\""),
              std::string::npos)
        << line;
    EXPECT_NE(LineOf(second, "sub\\mylist.xml.bin"), "");
    EXPECT_EQ(second, expected);
}

TEST(FileListOtherPlace, TemporariesOfInterruptedWritesAreNotListed) {
    TempDir dir;
    WriteFile(dir / "a.aup", kStoredAbc);
    WriteFile(dir / ".~kvtmp.4242.0", "half a list");
    WriteFile(dir / "data/.~kvtmp.4242.1", "half a stored file");
    ASSERT_TRUE(Generate(dir).Written());
    EXPECT_EQ(ListText(dir), "<root count=\"1\">\n" +
                                 Element("a.aup", 1, 10, kMd5StoredAbc, kMd5xAbc) + "</root>");
}

TEST(FileListProgress, ReportsEachFileInOrder) {
    TempDir dir;
    for (const char* name : {"c.aup", "a.aup", "b/b.aup"}) {
        WriteFile(dir / name, kStoredAbc);
    }
    std::vector<std::string> seen;
    FileListRequest request;
    request.rootPath = dir.Path().string();
    request.progress = [&seen](std::size_t done, std::size_t total, const std::string& name) {
        seen.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + name);
    };
    ASSERT_TRUE(WriteFileList(request).Written());
    EXPECT_EQ(seen, (std::vector<std::string>{"1/3 a.aup", "2/3 b\\b.aup", "3/3 c.aup"}));
}

// A run that stops must leave the old list and companion exactly as they were.
class FileListStops : public testing::Test {
protected:
    void SetUp() override {
        WriteFile(m_dir / "a.aup", kStoredAbc);
        ASSERT_TRUE(Generate(m_dir).Written());
        m_oldList = ReadFile(m_dir / "update_filelist.xml");
        m_oldCompanion = ReadFile(m_dir / "update_filelist.xml.bin");
    }

    void ExpectOldFilesKept() {
        EXPECT_EQ(ReadFile(m_dir / "update_filelist.xml"), m_oldList);
        EXPECT_EQ(ReadFile(m_dir / "update_filelist.xml.bin"), m_oldCompanion);
        for (const std::string& name : test::ListFolder(m_dir.Path())) {
            EXPECT_EQ(name.find(".~kvtmp."), std::string::npos) << name;
        }
    }

    TempDir m_dir;
    Bytes m_oldList;
    Bytes m_oldCompanion;
};

TEST_F(FileListStops, UnreadableFileNamesItAndKeepsTheOldList) {
    WriteFile(m_dir / "b.aup", kStoredAbc);
    fs::create_symlink(m_dir / "nowhere", m_dir.Path() / "dangling.aup");
    for (const unsigned workers : {1u, 4u}) {
        const FileListResult result = Generate(m_dir, {}, {}, workers);
        EXPECT_EQ(result.outcome, FileListOutcome::kUnreadableFile);
        EXPECT_NE(result.message.find(m_dir / "dangling.aup"), std::string::npos) << result.message;
        EXPECT_EQ(result.problemFiles, (std::vector<std::string>{"dangling.aup"}));
        ExpectOldFilesKept();
    }
}

TEST_F(FileListStops, DeviceIsNotReadAsAFile) {
    // A device could be read without end; only regular files are listed.
    fs::create_symlink("/dev/null", m_dir.Path() / "device.aup");
    const FileListResult result = Generate(m_dir);
    EXPECT_EQ(result.outcome, FileListOutcome::kUnreadableFile);
    EXPECT_NE(result.message.find("not a regular file"), std::string::npos) << result.message;
    ExpectOldFilesKept();
}

TEST_F(FileListStops, NamesTheClientCannotHoldAreAllNamedAndNothingIsWritten) {
    WriteFile(m_dir / "bad:name.aup", kStoredAbc);
    WriteFile(m_dir / "Case/x.aup", kStoredAbc);
    WriteFile(m_dir / "case/X.aup", kStoredAbc);
    WriteFile(m_dir / "why?.aup", kStoredAbc);
    const FileListResult result = Generate(m_dir);
    EXPECT_EQ(result.outcome, FileListOutcome::kRefusedNames);
    EXPECT_EQ(result.problemFiles,
              (std::vector<std::string>{"bad:name.aup", "Case/x.aup", "case/X.aup", "why?.aup"}));
    for (const std::string& name : result.problemFiles) {
        EXPECT_NE(result.message.find(name), std::string::npos) << name;
    }
    ExpectOldFilesKept();
}

TEST_F(FileListStops, UnwritableListShowsErrorWriteFile) {
    test::RecordingMessageBox boxes;
    const std::string listPath = m_dir / "missing/folder/list.xml";
    const FileListResult result = Generate(m_dir, {}, listPath);
    EXPECT_EQ(result.outcome, FileListOutcome::kCannotWrite);
    EXPECT_EQ(boxes.Shown(), (std::vector<test::ShownMessage>{{"error write file", listPath}}));
    EXPECT_FALSE(fs::exists(m_dir.Path() / "missing"));
    ExpectOldFilesKept();
}

TEST(FileListRoot, MissingOrEmptyRootIsRefused) {
    FileListRequest request;
    EXPECT_EQ(WriteFileList(request).outcome, FileListOutcome::kNoRoot);
    TempDir dir;
    request.rootPath = dir / "not-there";
    const FileListResult result = WriteFileList(request);
    EXPECT_EQ(result.outcome, FileListOutcome::kNoRoot);
    EXPECT_NE(result.message.find("not-there"), std::string::npos);
    EXPECT_TRUE(test::ListFolder(dir.Path()).empty());
}

TEST(FileListRoot, RootInAnotherSpellingGivesTheSameList) {
    TempDir dir;
    WriteFile(dir / "r/a.aup", kStoredAbc);
    FileListRequest request;
    request.rootPath = dir.Path().string() + "//r/./sub/../";
    testing::internal::CaptureStdout();
    const FileListResult result = WriteFileList(request);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(result.Written());
    EXPECT_EQ(result.listPath, dir / "r/update_filelist.xml");
    EXPECT_EQ(
        Text(ReadFile(dir / "r/update_filelist.xml")),
        "<root count=\"1\">\n" + Element("a.aup", 1, 10, kMd5StoredAbc, kMd5xAbc) + "</root>");
}

TEST(FileListCompanion, NoListMeansNoCompanionAndNoMessage) {
    TempDir dir;
    test::RecordingMessageBox boxes;
    auto work = std::make_unique<LzssWindow>();
    EXPECT_EQ(WriteFileListCompanion(dir / "none.xml", *work), 0);
    EXPECT_TRUE(test::ListFolder(dir.Path()).empty());
    EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
}  // namespace kelvarin
