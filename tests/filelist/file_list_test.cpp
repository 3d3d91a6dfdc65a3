// Generate File List: exact bytes, the pack flag, runs that stop, parallel against sequential.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>

#include "codec/compressor.h"
#include "fileio/replace_file.h"
#include "filelist/file_list_generator.h"
#include "filelist/list_check.h"
#include "filelist/list_encoding.h"
#include "filelist/list_summary.h"
#include "filelist/listed_file_digests.h"
#include "filelist/pack_flag.h"
#include "filelist/verify_tree.h"
#include "platform/stop_signals.h"
#include "scan/collect_files.h"
#include "tests/filelist/sequential_file_list.h"
#include "tests/support/bit_writer.h"
#include "tests/support/io_faults.h"
#include "tests/support/literal_codec.h"
#include "tests/support/process.h"
#include "tests/support/sample_data.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_dir.h"

namespace kelvarin {
namespace {

using test::Bytes, test::ReadFile, test::WriteFile;

const Bytes kStoredAbc = {0x03, 0, 0, 0, 0xB0, 0xD8, 0xAC, 0x60, 0, 0};  // "abc"

FileListResult Generate(const test::TempDir& dir, std::vector<std::string> excludes = {},
                        unsigned workers = 0) {
    return WriteFileList({dir.Path().string(), {}, std::move(excludes), {}, workers});
}

// A list and companion that a run must either replace together or keep.
void WriteOldPair(const test::TempDir& dir) {
    WriteFile(dir / "update_filelist.xml", "old list");
    WriteFile(dir / "update_filelist.xml.bin", "old companion");
}

void ExpectOldPair(const test::TempDir& dir) {
    EXPECT_EQ(ReadFile(dir / "update_filelist.xml"), test::ToBytes("old list"));
    EXPECT_EQ(ReadFile(dir / "update_filelist.xml.bin"), test::ToBytes("old companion"));
}

TEST(FileList, SmallTreeByteForByteWithoutItsOwnFilesAndCompanionHoldsIt) {
    test::TempDir dir;
    WriteFile(dir / "Notes + B.txt", "hi");
    WriteFile(dir / "Data/A.TXT.aup", kStoredAbc);
    WriteFile(dir / "music/Song.MP3.aup", Bytes(6, 0));  // empty content
    for (const char* own :
         {"update_filelist.xml", "update_filelist.xml.bin", ".~kvtmp&1.00000000000000a0"}) {
        WriteFile(dir / own, "old");
    }
    const FileListResult result = Generate(dir, {"NOTES + b"});
    ASSERT_TRUE(result.Written());
    // The old pair disagreed, as a run stopped between the two renames leaves it.
    EXPECT_NE(result.mismatchWarning, "");
    EXPECT_EQ(Generate(dir, {"NOTES + b"}).mismatchWarning, "");
    const std::string noContent = " d4 1d 8c d9 8f 00 b2 04 e9 80 09 98 ec f8 42 7e\" />\n";
    const std::string expected =
        "<root count=\"3\">\n"
        "    <file name=\"data\\a.txt.aup\" pack=\"1\" length=\"10\" "
        "md5=\"502c806229d909254774e09fd4923283\" "
        "md5x=\" 90 01 50 98 3c d2 4f b0 d6 96 3f 7d 28 e1 7f 72\" />\n"
        "    <file name=\"music\\song.mp3.aup\" pack=\"0\" length=\"6\" "
        "md5=\"7319468847d7b1aee40dbf5dd963c999\" md5x=\"" +
        noContent +
        "    <file name=\"notes + b.txt\" pack=\"0\" length=\"2\" "
        "md5=\"49f68a5c8493ec2c0bf489821c21fc3b\" md5x=\"" +
        noContent + "</root>";
    EXPECT_EQ(ReadFile(dir / "update_filelist.xml"), test::ToBytes(expected));
    auto window = std::make_unique<test::LiteralWindow>();
    EXPECT_EQ(test::LiteralDecompress(ReadFile(dir / "update_filelist.xml.bin"), *window).content,
              test::ToBytes(expected));
}

TEST(FileList, PackFlagFollowsTheStemAndMp3WithAsciiCaseOnly) {
    // clang-format off
    const std::tuple<const char*, const char*, int> kRows[] = {  // name, entry beside "x", pack
        {"Data\\a.TXT.aup", "data\\A.txt", 0}, {"data\\a.txt.aup", "data\\a.txt.aup", 1},
        {"data\\a.txt.aup", "data/a.txt", 1},  {"music\\song.mp3.aup", "", 0},
        {"music\\song.MP3.aup", "", 0},       {"music\\song.mp3x.aup", "", 1},
        {"music.mp3\\song.aup", "", 1},       {"song.mp3", "", 1}, {"ab", "AB", 0}, {"ab", "a", 1},
        {"\xC3\x84.aup", "\xC3\xA4", 1}, {"[x].aup", "{X}", 1}, {"@.aup", "`", 1}};
    // clang-format on
    for (const auto& [name, entry, pack] : kRows) {
        EXPECT_EQ(PackFlag(name, ExclusionList({"x", entry})), pack) << name << " " << entry;
    }
    // Entries naming no file are worth a warning: folded as the flag folds them.
    EXPECT_EQ(UnmatchedExclusions({"Data\\A.TXT", "gone", "B"}, {"data\\a.txt.aup", "b.aup"}),
              std::vector<std::string>{"gone"});
}

TEST(FileList, UnreadableFileOrUnholdableNamesStopTheRunNamingThemAndKeepTheOldList) {
    test::TempDir dir;
    WriteFile(dir / "a.aup", kStoredAbc);
    WriteOldPair(dir);
    const auto expectStop = [&](FileListOutcome outcome, const std::vector<std::string>& problems) {
        for (const unsigned workers : {1u, 4u}) {
            const FileListResult result = Generate(dir, {}, workers);
            EXPECT_EQ(result.outcome, outcome);
            for (const std::string& problem : problems) {
                EXPECT_NE(result.message.find(problem), std::string::npos) << result.message;
            }
            ExpectOldPair(dir);
        }
    };
    if (test::MakeLink(dir / "gone", dir / "dangling.aup")) {
        expectStop(FileListOutcome::kUnreadableFile, {"dangling.aup"});
    }
    if (test::kAnyFileName) {
        for (const char* name : {"bad:name.aup", "Case/x.aup", "case/X.aup"}) {
            WriteFile(dir / name, kStoredAbc);
        }
        expectStop(FileListOutcome::kRefusedNames, {"bad:name.aup", "Case/x.aup", "case/X.aup"});
    }
    const RootLock otherRun = RootLock::TryLock(dir.Path().string());
    EXPECT_EQ(Generate(dir, {}, 1).outcome, FileListOutcome::kRootBusy);
    EXPECT_EQ(ReadFile(dir / "update_filelist.xml"), test::ToBytes("old list"));
}

// Stopped part-way (in order or in parallel), a run writes nothing; a stop
// that comes after the last file is handed on no longer matters.
TEST(FileList, StopRequestKeepsTheOldPairUnlessEveryFileWasDone) {
    test::TempDir dir;
    for (int i = 0; i < 40; ++i) {
        WriteFile(dir / ("f" + std::to_string(i) + ".aup"), kStoredAbc);
    }
    WriteOldPair(dir);
    for (const std::size_t stopAfter : {3u, 40u}) {
        for (const unsigned workers : {1u, 4u}) {
            SCOPED_TRACE(testing::Message() << "stop after " << stopAfter << ", w" << workers);
            std::atomic<bool> stop{false};
            FileListRequest request{dir.Path().string(), {}, {}, {}, workers, &stop};
            request.progress = [&](std::size_t done, std::size_t, const std::string&) {
                stop = stop || done == stopAfter;
            };
            const FileListResult result = WriteFileList(request);
            EXPECT_EQ(result.outcome,
                      stopAfter == 40 ? FileListOutcome::kWritten : FileListOutcome::kStopped);
            EXPECT_EQ(ReadFile(dir / "update_filelist.xml") == test::ToBytes("old list"),
                      stopAfter != 40);
            EXPECT_EQ(test::ListFolder(dir.Path()).size(), 42u) << "a temporary was left";
            WriteFile(dir / "update_filelist.xml", "old list");
        }
    }
}

TEST(FileList, ListAndCompanionReplaceTheOldPairTogetherOrNotAtAll) {
    test::TempDir dir;
    WriteFile(dir / "a.aup", kStoredAbc);
    const std::string list = dir / "update_filelist.xml", companion = list + ".bin";
    WriteOldPair(dir);
    for (const char* part : {".xml.bin", "update_filelist"}) {  // the companion, or both
        const test::FailingIo fault(test::FaultOn::kWrite, part, 3, ENOSPC);
        const FileListResult result = Generate(dir);
        EXPECT_EQ(result.outcome, FileListOutcome::kCannotWrite);
        EXPECT_NE(result.message.find("No space left"), std::string::npos) << result.message;
        ExpectOldPair(dir);
        EXPECT_EQ(test::ListFolder(dir.Path()).size(), 3u) << "a temporary was left";
    }
    {  // Both are written and flushed before either is renamed into place.
        const test::DurabilitySteps steps(EIO);
        EXPECT_EQ(Generate(dir).outcome, FileListOutcome::kCannotWrite);
        EXPECT_EQ(steps.Taken(), std::vector<std::string>{"flush " + companion});
        ExpectOldPair(dir);
    }
    {
        const test::DurabilitySteps steps;
        EXPECT_EQ(Generate(dir).outcome, FileListOutcome::kWritten);
        EXPECT_EQ(steps.Taken(),
                  (std::vector<std::string>{"flush " + companion, "flush " + list,
                                            "rename " + companion, "rename " + list}));
    }
    // Leftovers of a writer that has ended go; those of a live writer (another
    // process, stopped while it holds its temporary) stay until it has ended.
    test::OtherProcess ended, writer;
    ended.End();
    const std::string sub = dir / "sub";
    std::filesystem::create_directory(sub);
    const auto temporary = [&](const test::OtherProcess& process) {
        return dir / ("sub/.~kvtmp&" + std::to_string(process.Id()) + ".0123456789abcdef");
    };
    const std::string leftover = temporary(ended), live = temporary(writer);
    WriteFile(leftover, "x");
    WriteFile(live, "x");
    const FileListResult result = Generate(dir);
    EXPECT_EQ(result.findings.leftoversRemoved, 1u);
    EXPECT_EQ(result.fileCount, 1u);
    EXPECT_FALSE(std::filesystem::exists(leftover));
    EXPECT_TRUE(std::filesystem::exists(live));
    // A link or folder at either output is refused and left as it is.
    std::filesystem::remove(companion);
    std::filesystem::create_directory(companion);
    EXPECT_EQ(Generate(dir).outcome, FileListOutcome::kOutputNotRegular);
    std::filesystem::remove(companion);
    std::filesystem::rename(list, dir / "real.xml");
    if (!test::MakeLink(dir / "real.xml", list)) {
        GTEST_SKIP() << test::kNoLinks;
    }
    EXPECT_EQ(Generate(dir).outcome, FileListOutcome::kOutputNotRegular);
    EXPECT_TRUE(std::filesystem::is_symlink(list) && !std::filesystem::exists(companion));
}

TEST(FileList, RunStoppedWhileWritingKeepsTheOldPairAndTheNextRunReplacesIt) {
    constexpr int kKill = 9;  // SIGKILL
    for (const int signal : {SIGTERM, kKill}) {
        for (const int stopAt : {0, 1}) {  // the companion's temporary, the list's
            SCOPED_TRACE(testing::Message() << "signal " << signal << " at file " << stopAt);
            test::TempDir dir;
            WriteFile(dir / "a.aup", kStoredAbc);
            WriteOldPair(dir);
            const std::optional<int> ending = test::RunInChild([&] {
                HandleStopSignals("stopped list");
                const test::StopWhileWriting stop(stopAt, signal);
                Generate(dir);
            });
            if (!ending) {
                GTEST_SKIP() << "this system cannot fork a run to stop part-way";
            }
            EXPECT_EQ(*ending >= 256 ? *ending - 256 : *ending - 128, signal);
            ExpectOldPair(dir);
            // Killed, it leaves the temporaries begun; stopped, none.
            const std::size_t left = signal != kKill ? 0 : 1 + stopAt;
            EXPECT_EQ(test::ListFolder(dir.Path()).size(), 3 + left);
            const FileListResult result = Generate(dir);
            EXPECT_TRUE(result.Written() && result.fileCount == 1);
            EXPECT_EQ(result.findings.leftoversRemoved, left);
            EXPECT_EQ(test::ListFolder(dir.Path()).size(), 3u);
        }
    }
}

TEST(CompareLists, NamesWhatOnlyTheCountThePackFlagTheOrderOrTheBytesGetWrong) {
    const auto entry = [](const char* name, int pack) {
        return "    <file name=\"" + std::string(name) + "\" pack=\"" + std::to_string(pack) +
               "\" length=\"1\" md5=\"m\" md5x=\" x\" />\n";
    };
    const std::string a = entry("a", 1), b = entry("b", 1), list = "<root count=\"2\">\n";
    const std::string composed = list + a + b + "</root>";
    const std::tuple<std::string, ListProblem> kRows[] = {
        {"<root count=\"3\">\n" + a + b + "</root>", {"count", "", "2 entries", "count \"3\""}},
        {list + a + entry("b", 0) + "</root>", {"pack", "b", "0", "1"}},
        {list + b + a + "</root>",
         {"order", "", "the bytes a list run writes", "the entries in another order"}},
        {list + a + b + "</root>\n", {"format", "", "the bytes a list run writes", "other bytes"}},
    };
    for (const auto& [published, problem] : kRows) {
        EXPECT_EQ(CompareLists(published, composed), std::vector<ListProblem>{problem})
            << published;
    }
    EXPECT_TRUE(CompareLists(composed, composed).empty());
}

// Stored, damaged, not stored at all, or hand-made with matches anywhere in
// the window: most files' content depends on the files before them.
Bytes RandomFile(std::mt19937& random) {
    const auto seed = static_cast<std::uint32_t>(random());
    const std::size_t size = random() % 8 == 0 ? random() % 200000 : random() % 5000;
    const auto kind = random() % 4;
    if (kind == 0) {
        return test::RandomBytes(size, seed);
    } else if (kind == 1) {  // a zero length field, then matches and literals
        BitWriter stream{Bytes(4, 0)};
        for (std::size_t token = size % 300; token > 0; --token) {
            const auto position = 1 + random() % 16383;
            WriteBits(stream, 19, static_cast<std::uint32_t>(position << 4 | random() % 16));
            WriteBits(stream, 9, static_cast<std::uint32_t>(0x100 | random() % 256));
        }
        WriteBits(stream, size % 4 == 0 ? 0 : 15, 0);  // the end, or none
        FlushBits(stream);
        return stream.buffer;
    }
    Bytes stored;
    auto work = std::make_unique<LzssWindow>();
    CompressBuffer(test::TextLike(size, seed), *work, stored);
    if (kind == 2) {  // a bit flipped, the end cut off
        stored[random() % stored.size()] ^= 0x10;
        stored.resize(random() % (stored.size() + 1));
    }
    return stored;
}

TEST(FileListDifferential, ParallelRunEqualsThePlainSequentialListOnRandomTrees) {
    const std::uint32_t seed = 20240607;
    std::mt19937 random(seed);
    const char* kFolders[] = {"", "D0/", "d1/", "d1/Sub/", ""};
    const char* kEndings[] = {".aup", ".mp3.aup", ".MP3.aup", "", "update_filelist.xml"};
    const std::vector<std::string> excludeList = {"1", "D0\\2", "d1\\sub\\3.MP3"};
    for (int tree = 0; tree < 30; ++tree) {
        const unsigned workers = 1 + random() % 8;
        SCOPED_TRACE(testing::Message() << "seed " << seed << " tree " << tree << " w" << workers);
        test::TempDir dir;
        for (int i = static_cast<int>(random() % 24); i > 0; --i) {
            WriteFile(dir / (kFolders[random() % 5] + std::to_string(i) + kEndings[random() % 5]),
                      RandomFile(random));
        }
        for (const char* own :
             {"update_filelist.xml", "update_filelist.xml.bin", "d1/.~kvtmp&7.0123456789abcdef"}) {
            WriteFile(dir / own, RandomFile(random));
        }
        const FileListResult result = Generate(dir, excludeList, workers);
        ASSERT_TRUE(result.Written());
        std::vector<std::string> damaged;
        EXPECT_EQ(
            ReadFile(dir / "update_filelist.xml"),
            test::ToBytes(test::SequentialListText(dir.Path().string(), excludeList, &damaged)));
        EXPECT_EQ(result.damagedFiles, damaged);

        // The same digests, in order, when few bytes may be held at once.
        std::vector<std::string> paths;
        CollectFiles(dir.Path().string(), paths);
        std::vector<std::tuple<std::size_t, std::uint32_t, Md5Digest, Md5Digest>> runs[2];
        for (int run = 0; run < 2; ++run) {
            DigestListedFiles(paths, {run == 0 ? 1 : workers, random() % 30000},
                              [&](std::size_t i, const FileDigests& d) {
                                  runs[run].emplace_back(i, d.length, d.md5, d.md5x);
                              });
        }
        EXPECT_EQ(runs[0], runs[1]);
    }
}

// The same exact bytes from glibc's iconv and from Windows' code page 936.
TEST(ListEncoding, NamesInCodePage936ByteForByteAndWhatItCannotHoldIsRefused) {
    const TextEncoding cp936 = ResolveListEncoding(*ParseListEncoding("cp936"));
    const TextEncoding utf8 = ResolveListEncoding(*ParseListEncoding("utf-8"));
    const std::tuple<const TextEncoding&, std::string, std::string> kRows[] = {
        {cp936, "中文", "\xD6\xD0\xCE\xC4"},
        {cp936, "€", "\x80"},
        {cp936, "data\\a b.txt", "data\\a b.txt"},
        {cp936, "\xF0\x9F\x98\x80", ""},
        {cp936, "한", ""},
        {cp936, "a\xF3\xA0\x80\x81", ""},  // a tag character, which iconv would drop
        {utf8, "中文\xF0\x9F\x98\x80", "中文\xF0\x9F\x98\x80"}};
    for (const auto& [encoding, name, bytes] : kRows) {
        const EncodedName encoded = EncodeListName(encoding, name);
        EXPECT_EQ(encoded.bytes, bytes) << name;
        EXPECT_EQ(encoded.refusal, bytes.empty() ? "cannot be written in code page 936" : "");
        EXPECT_EQ(DecodeListText(encoding, bytes), bytes.empty() ? "" : name);
    }
    EXPECT_EQ(DecodeListText(cp936, "a\xFF"), "a\xFF");  // not text in it: kept as it is
    EXPECT_FALSE(ParseListEncoding("gbk"));
}

// Names and exclusions in code page 936; a name it cannot hold keeps the old pair.
TEST(ListEncoding, ListWrittenAndVerifiedInCodePage936) {
    test::TempDir dir;
    WriteFile(dir / "中文.txt", "hi");
    FileListRequest request{dir.Path().string(), {}, {"\xD6\xD0\xCE\xC4"}, {}};
    request.listEncoding = CodePageEncoding(936);
    ASSERT_TRUE(WriteFileList(request).Written());
    const Bytes list = ReadFile(dir / "update_filelist.xml"),
                companion = ReadFile(dir / "update_filelist.xml.bin");
    EXPECT_EQ(list,
              test::ToBytes("<root count=\"1\">\n    <file name=\"\xD6\xD0\xCE\xC4.txt\" "
                            "pack=\"0\" length=\"2\" md5=\"49f68a5c8493ec2c0bf489821c21fc3b\" "
                            "md5x=\" d4 1d 8c d9 8f 00 b2 04 e9 80 09 98 ec f8 42 7e\" />\n"
                            "</root>"));
    EXPECT_TRUE(VerifyPublishedTree(request).problems.empty());
    WriteFile(dir / "中文.txt", "hi!");
    EXPECT_EQ(VerifyPublishedTree(request).problems.front(),
              (ListProblem{"length", "中文.txt", "2", "3"}));
    WriteFile(dir / "한.txt", "x");
    const FileListResult refused = WriteFileList(request);
    EXPECT_EQ(refused.outcome, FileListOutcome::kRefusedNames);
    EXPECT_NE(refused.message.find("\n  한.txt: cannot be written in code page 936"),
              std::string::npos)
        << refused.message;
    EXPECT_EQ(ReadFile(dir / "update_filelist.xml"), list);
    EXPECT_EQ(ReadFile(dir / "update_filelist.xml.bin"), companion);
}

TEST(FileListSummary, CommandLineAndDialogWords) {
    EXPECT_EQ(FileListSummaryText(5, 1234, 0.126), "5 files, 1234 bytes, 0.13 s");
    EXPECT_EQ(DamagedFilesText(2), "2 damaged stored files");
}

}  // namespace
}  // namespace kelvarin
