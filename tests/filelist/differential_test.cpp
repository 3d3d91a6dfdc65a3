// The parallel generator against the plain sequential run: the lists must be
// byte-identical, also where a file's content depends on window bytes that
// the files before it left (files that are not stored files, damaged ones,
// and hand-made streams whose matches reach into earlier files' bytes).
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "codec/compressor.h"
#include "filelist/file_list_generator.h"
#include "filelist/listed_file_digests.h"
#include "scan/collect_files.h"
#include "tests/filelist/sequential_file_list.h"
#include "tests/support/recorders.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_dir.h"

namespace kelvarin {
namespace {

using test::Bytes;
using test::StreamBuilder;
using test::TempDir;

Bytes Compress(const Bytes& content) {
    auto work = std::make_unique<LzssWindow>();
    Bytes stored;
    CompressBuffer(content, *work, stored);
    return stored;
}

std::string GeneratedList(const TempDir& dir, unsigned workers,
                          const std::vector<std::string>& excludeList = {}) {
    FileListRequest request;
    request.rootPath = dir.Path().string();
    request.workers = workers;
    request.excludeList = excludeList;
    testing::internal::CaptureStdout();
    const FileListResult result = WriteFileList(request);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(result.Written()) << result.message;
    const Bytes bytes = test::ReadFile(dir / "update_filelist.xml");
    return std::string(bytes.begin(), bytes.end());
}

std::string ReferenceList(const TempDir& dir, const std::vector<std::string>& excludeList = {}) {
    testing::internal::CaptureStdout();
    std::string text = test::SequentialListText(dir.Path().string(), excludeList);
    testing::internal::GetCapturedStdout();
    return text;
}

void ExpectSameListForAnyWorkers(const TempDir& dir) {
    const std::string expected = ReferenceList(dir);
    for (const unsigned workers : {1u, 2u, 3u, 8u}) {
        SCOPED_TRACE(workers);
        EXPECT_EQ(GeneratedList(dir, workers), expected);
    }
}

std::string SpacedHexOf(const std::string& text) {
    const std::string hex = test::Hex(test::Md5Of(test::ToBytes(text)));
    std::string spaced;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        spaced += " " + hex.substr(i, 2);
    }
    return spaced;
}

TEST(FileListDifferential, ForeignMatchReadsWhatTheFilesBeforeItLeft) {
    TempDir dir;
    // Positions 1 to 10 hold HELLOWORLD after the first file.
    test::WriteFile(dir / "a.aup", Compress(test::ToBytes("HELLOWORLD")));
    // Copies positions 1-5, then writes zz at positions 6 and 7.
    test::WriteFile(dir / "b.aup",
                    StreamBuilder().Match(1, 5).Literal('z').Literal('z').End().Stored());
    // Copies positions 6-8: zz from the second file, R from the first.
    test::WriteFile(dir / "c.aup", StreamBuilder().Match(6, 3).End().Stored());
    const std::string expected = ReferenceList(dir);
    EXPECT_NE(expected.find("name=\"b.aup\""), std::string::npos);
    EXPECT_NE(expected.find(SpacedHexOf("HELLOzz")), std::string::npos);
    EXPECT_NE(expected.find(SpacedHexOf("zzR")), std::string::npos);
    ExpectSameListForAnyWorkers(dir);
}

TEST(FileListDifferential, ForeignFilesBehindLargeOnes) {
    TempDir dir;
    // Large files first keep the other workers ahead of the cursor when the
    // window-dependent files come up.
    test::WriteFile(dir / "a1.aup", Compress(test::TextLike(400000, 1)));
    test::WriteFile(dir / "a2.aup", Compress(test::RandomBytes(300000, 2)));
    test::WriteFile(dir / "b1.dat", test::RandomBytes(40000, 3));  // not a stored file
    test::WriteFile(dir / "b2.aup", StreamBuilder().Match(100, 18).Match(5000, 18).End().Stored());
    Bytes cut = Compress(test::TextLike(100000, 4));
    cut.resize(cut.size() / 2);
    test::WriteFile(dir / "b3.aup", cut);
    test::WriteFile(dir / "b4.aup", StreamBuilder().Literal('q').Match(16000, 9).Stored());
    for (int i = 0; i < 12; ++i) {
        test::WriteFile(dir / ("c" + std::to_string(i) + ".aup"),
                        StreamBuilder().Match(1 + i * 1000, 3 + i).End().Stored());
    }
    test::WriteFile(dir / "d.aup", Compress(test::RunsAndPatterns(200000, 5)));
    test::WriteFile(dir / "e.aup", StreamBuilder().Match(7, 18).End().Stored());
    ExpectSameListForAnyWorkers(dir);
}

// One file of a random tree: stored, damaged, not stored at all, or
// hand-made with matches anywhere in the window.
Bytes RandomTreeFile(std::mt19937& random, std::uint32_t seed) {
    const std::size_t size = random() % 8 == 0 ? random() % 250000 : random() % 6000;
    switch (random() % 9) {
        case 0:
            return Compress(test::TextLike(size, seed));
        case 1:
            return Compress(test::RandomBytes(size, seed));
        case 2:
            return Compress(test::RunsAndPatterns(size, seed));
        case 3: {
            Bytes stored = Compress(test::TextLike(size, seed));
            stored.resize(random() % (stored.size() + 1));
            return stored;
        }
        case 4: {
            Bytes stored = Compress(test::RunsAndPatterns(size, seed));
            for (int flip = 0; flip < 3 && stored.size() > 4; ++flip) {
                stored[4 + random() % (stored.size() - 4)] ^=
                    static_cast<std::uint8_t>(1u << (random() % 8));
            }
            return stored;
        }
        case 5:
            return test::RandomBytes(size, seed);
        case 6:
            return test::RandomBytes(random() % 6, seed);
        default: {
            StreamBuilder builder;
            const int tokens = static_cast<int>(random() % 200);
            for (int t = 0; t < tokens; ++t) {
                if (random() % 2 == 0) {
                    builder.Literal(static_cast<std::uint8_t>(random()));
                } else {
                    builder.Match(1 + static_cast<int>(random() % 16383),
                                  3 + static_cast<int>(random() % 16));
                }
            }
            if (random() % 4 != 0) {
                builder.End();
            }
            return builder.Stored();
        }
    }
}

void WriteRandomTree(const TempDir& dir, std::mt19937& random, std::uint32_t seed) {
    const int files = static_cast<int>(random() % 24);
    for (int i = 0; i < files; ++i) {
        std::string name;
        for (int depth = static_cast<int>(random() % 3); depth > 0; --depth) {
            name += "D" + std::to_string(random() % 3) + "/";
        }
        name += "f" + std::to_string(i) + (random() % 4 == 0 ? ".mp3.aup" : ".aup");
        test::WriteFile(dir / name,
                        RandomTreeFile(random, seed * 100 + static_cast<std::uint32_t>(i)));
    }
}

TEST(FileListDifferential, RandomTreesGiveTheSequentialList) {
    std::mt19937 random(20240607);
    for (std::uint32_t tree = 0; tree < 30; ++tree) {
        SCOPED_TRACE(tree);
        TempDir dir;
        WriteRandomTree(dir, random, tree);
        const std::vector<std::string> excludeList = {"f1", "D0\\F2", "d1\\d2\\f3"};
        const std::string expected = ReferenceList(dir, excludeList);
        const unsigned workers = 1 + random() % 6;
        SCOPED_TRACE(workers);
        EXPECT_EQ(GeneratedList(dir, workers, excludeList), expected);
    }
}

TEST(DigestDifferential, SmallBudgetsKeepResultsAndOrder) {
    std::mt19937 random(99);
    for (std::uint32_t tree = 0; tree < 6; ++tree) {
        SCOPED_TRACE(tree);
        TempDir dir;
        WriteRandomTree(dir, random, 1000 + tree);
        std::vector<std::string> paths;
        CollectFiles(dir.Path().string(), paths);
        testing::internal::CaptureStdout();
        const std::vector<test::PlainFileDigests> expected = test::SequentialDigests(paths);
        for (const std::uint64_t budget : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{5000},
                                           std::uint64_t{100000}, kDefaultHeldBytesBudget}) {
            for (const unsigned workers : {2u, 4u, 8u}) {
                std::vector<std::size_t> order;
                std::vector<test::PlainFileDigests> got;
                const auto failure = DigestListedFiles(
                    paths, DigestOptions{workers, budget},
                    [&](std::size_t index, const FileDigests& digests) {
                        order.push_back(index);
                        got.push_back({digests.length, digests.md5, digests.md5x});
                    });
                EXPECT_FALSE(failure.has_value());
                ASSERT_EQ(got.size(), expected.size()) << budget << " " << workers;
                for (std::size_t i = 0; i < got.size(); ++i) {
                    EXPECT_EQ(order[i], i);
                    EXPECT_EQ(got[i].length, expected[i].length) << i;
                    EXPECT_EQ(got[i].md5, expected[i].md5) << i;
                    EXPECT_EQ(got[i].md5x, expected[i].md5x) << i << " budget " << budget;
                }
            }
        }
        testing::internal::GetCapturedStdout();
    }
}

TEST(DigestDifferential, UnreadableFileStopsAtItWithNothingAfterIt) {
    TempDir dir;
    for (int i = 0; i < 20; ++i) {
        test::WriteFile(dir / ("f" + std::to_string(10 + i) + ".aup"),
                        Compress(test::TextLike(20000, static_cast<std::uint32_t>(i))));
    }
    std::filesystem::create_symlink(dir / "gone", dir.Path() / "f20x.aup");
    std::vector<std::string> paths;
    CollectFiles(dir.Path().string(), paths);
    for (const unsigned workers : {1u, 2u, 4u}) {
        std::vector<std::size_t> order;
        const auto failure = DigestListedFiles(
            paths, DigestOptions{workers},
            [&](std::size_t index, const FileDigests&) { order.push_back(index); });
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(paths[failure->index], dir / "f20x.aup");
        EXPECT_NE(failure->reason.find(dir / "f20x.aup"), std::string::npos);
        for (std::size_t i = 0; i < order.size(); ++i) {
            EXPECT_EQ(order[i], i);
        }
        EXPECT_LE(order.size(), failure->index);
    }
}

TEST(FileListTrace, ListeningGivesTheSequentialTrace) {
    TempDir dir;
    std::mt19937 random(5);
    WriteRandomTree(dir, random, 77);
    test::WriteFile(dir / "z.aup", StreamBuilder().Match(3, 10).End().Stored());
    std::vector<std::string> paths;
    CollectFiles(dir.Path().string(), paths);

    test::RecordingDebugOutput trace;
    FileListRequest request;
    request.rootPath = dir.Path().string();
    request.workers = 4;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(WriteFileList(request).Written());
    const std::vector<std::string> generated = trace.Lines();
    trace.Clear();
    test::SequentialDigests(paths);
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(generated.empty());
    EXPECT_EQ(generated, trace.Lines());
}

}  // namespace
}  // namespace kelvarin
