// StartImport: the deal over four workers, the refusals made before any
// worker starts (the caller's fields left as they were), the files refused
// one by one, a worker that cannot be started, and whole imports checked
// against the literal codec.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <system_error>

#include "import/deal.h"
#include "import/import_messages.h"
#include "import/start_import.h"
#include "scan/collect_files.h"
#include "tests/import/import_test_util.h"
#include "tests/import/source_root_test.h"
#include "tests/support/literal_codec.h"
#include "tests/support/sample_data.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

using Messages = std::vector<RecordedMessage>;
using Strings = std::vector<std::string>;

class StartImportTest : public SourceAndRootTest {
protected:
    // Starts an import of `folder` into `root` with the fixture's fields and
    // counts the workers handed to the launcher.
    ImportStart Start(const std::string& folder, const std::string& root,
                      ImportOptions options = {}) {
        WorkerLauncher launch = std::move(options.launch);
        options.launch = [this, launch](std::unique_ptr<ImportJob> job) {
            ++m_launched;
            launch(std::move(job));
        };
        return StartImport(folder, root, m_sourceRoot, m_allFiles, m_workerFiles, m_window,
                           options);
    }

    // Waits for the four workers of one import and returns every message.
    Messages WaitForImport(int imports = 1) {
        EXPECT_TRUE(m_window.WaitForFinished(kImportWorkerCount * imports));
        return m_window.Messages();
    }

    WaitingMessageWindow m_window;
    std::string m_sourceRoot;
    Strings m_allFiles;
    WorkerFileLists m_workerFiles;
    int m_launched = 0;
};

// What a worker that adds every one of its n files posts.
Messages AddedEach(std::size_t n, std::intptr_t k) {
    Messages messages;
    for (std::size_t i = 0; i < n; ++i) {
        messages.push_back({WM_IMPORT_PROGRESS, i, k});
        messages.push_back({WM_IMPORT_ADDED, i, k});
    }
    messages.push_back({WM_IMPORT_FINISHED, 0, k});
    return messages;
}

TEST(DealFiles, TenFilesGoRoundRobin) {
    const Strings all = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    WorkerFileLists lists;
    lists[1] = {"left over from before"};
    DealFiles(all, lists);
    EXPECT_EQ(lists, (WorkerFileLists{Strings{"0", "4", "8"}, Strings{"1", "5", "9"},
                                      Strings{"2", "6"}, Strings{"3", "7"}}));
}

TEST(DealFiles, ThreeFilesLeaveTheLastWorkerEmpty) {
    WorkerFileLists lists;
    DealFiles({"a", "b", "c"}, lists);
    EXPECT_EQ(lists, (WorkerFileLists{Strings{"a"}, Strings{"b"}, Strings{"c"}, Strings{}}));
}

TEST_F(StartImportTest, TenFilesAreDealtAndEachWorkerReportsItsShare) {
    Strings expected;
    for (int i = 0; i < 10; ++i) {
        const std::string name = "f" + std::to_string(i);
        WriteFile(Source(name), name);
        expected.push_back(Source(name));
    }
    const ImportStart result = Start(m_source, m_root);
    ASSERT_TRUE(result.Started()) << result.message;
    EXPECT_EQ(m_launched, 4);
    EXPECT_EQ(m_sourceRoot, m_source);
    EXPECT_EQ(m_allFiles, expected);
    EXPECT_EQ(m_workerFiles, (WorkerFileLists{Strings{expected[0], expected[4], expected[8]},
                                              Strings{expected[1], expected[5], expected[9]},
                                              Strings{expected[2], expected[6]},
                                              Strings{expected[3], expected[7]}}));
    const Messages messages = WaitForImport();
    EXPECT_EQ(messages.size(), 10u * 2 + 4);
    for (std::intptr_t k = 0; k < 4; ++k) {
        EXPECT_EQ(MessagesOfWorker(messages, k),
                  AddedEach(m_workerFiles[static_cast<std::size_t>(k)].size(), k));
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(StoredContent(Stored("f" + std::to_string(i) + ".aup")),
                  ToBytes("f" + std::to_string(i)));
    }
}

TEST_F(StartImportTest, ThreeFilesLeaveWorkerThreeWithOnlyItsFinish) {
    for (const char* name : {"a", "b", "c"}) {
        WriteFile(Source(name), name);
    }
    ASSERT_TRUE(Start(m_source, m_root).Started());
    EXPECT_EQ(m_workerFiles, (WorkerFileLists{Strings{Source("a")}, Strings{Source("b")},
                                              Strings{Source("c")}, Strings{}}));
    const Messages messages = WaitForImport();
    for (std::intptr_t k = 0; k < 3; ++k) {
        EXPECT_EQ(MessagesOfWorker(messages, k), AddedEach(1, k));
    }
    EXPECT_EQ(MessagesOfWorker(messages, 3), (Messages{{WM_IMPORT_FINISHED, 0, 3}}));
}

TEST_F(StartImportTest, EmptySourceFolderGivesFourFinishedMessagesAndNothingElse) {
    m_allFiles = {"from an earlier import"};
    m_workerFiles[2] = {"from an earlier import"};
    ASSERT_TRUE(Start(m_source, m_root).Started());
    EXPECT_EQ(m_launched, 4);
    EXPECT_TRUE(m_allFiles.empty());
    EXPECT_EQ(m_workerFiles, WorkerFileLists{});
    const Messages messages = WaitForImport();
    const std::multiset<std::intptr_t> workers = {0, 1, 2, 3};
    std::multiset<std::intptr_t> finished;
    for (const RecordedMessage& message : messages) {
        EXPECT_EQ(message.message, WM_IMPORT_FINISHED);
        EXPECT_EQ(message.wParam, 0u);
        finished.insert(message.lParam);
    }
    EXPECT_EQ(finished, workers);
    EXPECT_TRUE(ListFolder(m_root).empty());
}

TEST_F(StartImportTest, ChosenFolderIsCanonicalAndKeepsItsCase) {
    WriteFile(Source("Data/A.TXT"), "x");
    ASSERT_TRUE(Start(m_dir / "upd/../New/./", m_dir / "upd/").Started());
    EXPECT_EQ(m_sourceRoot, m_source);
    EXPECT_EQ(m_allFiles, Strings{Source("Data/A.TXT")});
    WaitForImport();
    EXPECT_EQ(StoredContent(Stored("data/a.txt.aup")), ToBytes("x"));
}

struct RefusalCase {
    const char* what;
    std::string folder;  // relative to the test folder
    std::string root;    // relative to the test folder; "" for none
    ImportRefusal refusal;
};

TEST_F(StartImportTest, RefusalsBeforeAnyWorkerLeaveTheFieldsAsTheyWere) {
    WriteFile(Source("a.txt"), "a");
    WriteFile(m_dir / "plain-file", "not a folder");
    fs::create_directories(Source("inner/upd"));
    fs::create_directory_symlink(Source("inner"), m_dir / "link-into-new");
    const RefusalCase cases[] = {
        {"no root folder", "New", "", ImportRefusal::kNoRootFolder},
        {"root missing", "New", "missing", ImportRefusal::kRootMissing},
        {"root is a file", "New", "plain-file", ImportRefusal::kRootMissing},
        {"source missing", "missing", "upd", ImportRefusal::kSourceMissing},
        {"source is a file", "plain-file", "upd", ImportRefusal::kSourceMissing},
        {"root equals source", "New", "New", ImportRefusal::kRootInsideSource},
        {"root inside source", "New", "New/inner/upd", ImportRefusal::kRootInsideSource},
        {"root inside through a link", "New", "link-into-new/upd",
         ImportRefusal::kRootInsideSource},
    };
    for (const RefusalCase& c : cases) {
        m_sourceRoot = "earlier source";
        m_allFiles = {"earlier file"};
        m_workerFiles = {Strings{"earlier 0"}, Strings{}, Strings{"earlier 2"}, Strings{}};
        const std::string root = c.root.empty() ? std::string() : m_dir / c.root;
        const ImportStart result = Start(m_dir / c.folder, root);
        EXPECT_EQ(result.refusal, c.refusal) << c.what;
        EXPECT_FALSE(result.Started()) << c.what;
        EXPECT_FALSE(result.message.empty()) << c.what;
        EXPECT_EQ(m_sourceRoot, "earlier source") << c.what;
        EXPECT_EQ(m_allFiles, Strings{"earlier file"}) << c.what;
        EXPECT_EQ(m_workerFiles[0], Strings{"earlier 0"}) << c.what;
        EXPECT_EQ(m_workerFiles[2], Strings{"earlier 2"}) << c.what;
    }
    EXPECT_EQ(m_launched, 0);
    EXPECT_TRUE(m_window.Messages().empty());
    EXPECT_TRUE(ListFolder(m_root).empty());
    EXPECT_EQ(ListFolder(Source("inner/upd")), Strings{});
}

TEST_F(StartImportTest, CaseClashesAndForbiddenNamesAreRefusedAndTheirStoredFilesKept) {
    WriteFile(Source("Data/A.txt"), "upper");
    WriteFile(Source("data/a.TXT"), "lower");
    WriteFile(Source("bad:name"), "colon");
    WriteFile(Source("tab\tname"), "tab");
    WriteFile(Source("ok.txt"), "fine");
    WriteFile(Stored("data/a.txt.aup"), "an old stored file");
    WriteFile(Stored("bad:name.aup"), "another old stored file");
    SetOldTimes(Stored("data/a.txt.aup"));
    const FileStamp stamp = StampOf(Stored("data/a.txt.aup"));
    Strings scanned;
    CollectFiles(m_source, scanned);

    const ImportStart result = Start(m_source, m_root);
    ASSERT_TRUE(result.Started());
    std::vector<RefusedFile> expected;
    for (const std::string& path : scanned) {
        if (path == Source("bad:name") || path == Source("tab\tname")) {
            expected.push_back({path, RefusalReason::kNameNotHeld});
        } else if (path != Source("ok.txt")) {
            expected.push_back({path, RefusalReason::kNameDiffersInCase});
        }
    }
    EXPECT_EQ(result.refusedFiles, expected);
    EXPECT_EQ(m_allFiles, Strings{Source("ok.txt")});
    EXPECT_EQ(m_workerFiles, (WorkerFileLists{Strings{Source("ok.txt")}, {}, {}, {}}));

    const Messages messages = WaitForImport();
    EXPECT_EQ(MessagesOfWorker(messages, 0), AddedEach(1, 0));
    EXPECT_EQ(messages.size(), 2u + 4);
    EXPECT_EQ(ReadFile(Stored("data/a.txt.aup")), ToBytes("an old stored file"));
    EXPECT_EQ(StampOf(Stored("data/a.txt.aup")), stamp);
    EXPECT_EQ(ReadFile(Stored("bad:name.aup")), ToBytes("another old stored file"));
    EXPECT_EQ(ListFolder(m_root), (Strings{"bad:name.aup", "data", "ok.txt.aup"}));
}

TEST_F(StartImportTest, TwoImportsInARowKeepOnlyTheSecondFolderInTheLists) {
    const std::string second = CanonicalFolder(m_dir / "Second");
    WriteFile(Source("one"), "1");
    WriteFile(Source("two"), "2");
    WriteFile(Source("three"), "3");
    WriteFile(second + "/alpha", "a");
    WriteFile(second + "/beta", "b");
    ASSERT_TRUE(Start(m_source, m_root).Started());
    WaitForImport();

    ASSERT_TRUE(Start(second, m_root).Started());
    EXPECT_EQ(m_sourceRoot, second);
    EXPECT_EQ(m_allFiles, (Strings{second + "/alpha", second + "/beta"}));
    EXPECT_EQ(m_workerFiles,
              (WorkerFileLists{Strings{second + "/alpha"}, Strings{second + "/beta"}, {}, {}}));
    const Messages both = WaitForImport(2);
    const Messages secondImport(both.begin() + 3 * 2 + 4, both.end());
    EXPECT_EQ(MessagesOfWorker(secondImport, 0), AddedEach(1, 0));
    EXPECT_EQ(MessagesOfWorker(secondImport, 1), AddedEach(1, 1));
    EXPECT_EQ(MessagesOfWorker(secondImport, 2), AddedEach(0, 2));
    EXPECT_EQ(ListFolder(m_root),
              (Strings{"alpha.aup", "beta.aup", "one.aup", "three.aup", "two.aup"}));
}

TEST_F(StartImportTest, FreshImportEqualsEachWorkersFilesThroughOneFreshWindow) {
    // Larger files wrap the window; short three-letter ones end in choices
    // that depend on what the worker's earlier files left in it.
    std::mt19937 random(5);
    for (int i = 0; i < 60; ++i) {
        const auto seed = static_cast<std::uint32_t>(i);
        Bytes content;
        if (i % 10 == 0) {
            content = i % 20 == 0 ? TextLike(20000 + 1000 * static_cast<std::size_t>(i), seed)
                                  : RunsAndPatterns(30000, seed);
        } else {
            content.resize(5 + random() % 50);
            for (auto& byte : content) {
                byte = static_cast<std::uint8_t>('a' + random() % 3);
            }
        }
        WriteFile(Source("Folder" + std::to_string(i % 3) + "/File" + std::to_string(i)), content);
    }
    ASSERT_TRUE(Start(m_source, m_root).Started());
    const Messages messages = WaitForImport();
    int filesWhereTheWindowMattered = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(MessagesOfWorker(messages, static_cast<std::intptr_t>(k)),
                  AddedEach(m_workerFiles[k].size(), static_cast<std::intptr_t>(k)));
        auto literal = std::make_unique<LiteralWindow>();
        for (const std::string& path : m_workerFiles[k]) {
            std::string relative = path.substr(m_source.size());
            for (char& c : relative) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            const Bytes content = ReadFile(path);
            const Bytes expected = LiteralCompress(content, *literal);
            EXPECT_EQ(ReadFile(m_root + relative + ".aup"), expected) << path;
            auto fresh = std::make_unique<LiteralWindow>();
            if (LiteralCompress(content, *fresh) != expected) {
                ++filesWhereTheWindowMattered;
            }
        }
    }
    // Otherwise a fresh window per file would pass as well.
    EXPECT_GT(filesWhereTheWindowMattered, 0);
}

TEST_F(StartImportTest, WorkerThatCannotStartIsReportedAndCountedAsFinished) {
    for (const char* name : {"a", "b", "c", "d"}) {
        WriteFile(Source(name), name);
    }
    ImportOptions options;
    options.launch = [](std::unique_ptr<ImportJob> job) {
        if (job->workerIndex == 2) {
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        LaunchWorkerThread(std::move(job));
    };
    const ImportStart result = Start(m_source, m_root, std::move(options));
    ASSERT_TRUE(result.Started());
    ASSERT_EQ(result.workersNotStarted.size(), 1u);
    EXPECT_EQ(result.workersNotStarted[0].workerIndex, 2);
    EXPECT_NE(result.workersNotStarted[0].message.find("2"), std::string::npos);
    const Messages messages = WaitForImport();
    EXPECT_EQ(MessagesOfWorker(messages, 2), (Messages{{WM_IMPORT_FINISHED, 0, 2}}));
    EXPECT_EQ(MessagesOfWorker(messages, 3), AddedEach(1, 3));
    EXPECT_EQ(ListFolder(m_root), (Strings{"a.aup", "b.aup", "d.aup"}));
}

TEST_F(StartImportTest, DryRunReachesEveryWorker) {
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        WriteFile(Source(name), name);
    }
    ImportOptions options;
    options.dryRun = true;
    ASSERT_TRUE(Start(m_source, m_root, std::move(options)).Started());
    const Messages messages = WaitForImport();
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(MessagesOfWorker(messages, static_cast<std::intptr_t>(k)),
                  AddedEach(m_workerFiles[k].size(), static_cast<std::intptr_t>(k)));
    }
    EXPECT_TRUE(ListFolder(m_root).empty());
}

TEST_F(StartImportTest, DanglingLinkInTheSourceFailsAloneAtItsWorker) {
    WriteFile(Source("a"), "a");
    fs::create_symlink(Source("nowhere"), Source("b"));
    ASSERT_TRUE(Start(m_source, m_root).Started());
    ASSERT_EQ(m_workerFiles[1], Strings{Source("b")});
    const Messages messages = WaitForImport();
    EXPECT_EQ(MessagesOfWorker(messages, 1), (Messages{{WM_IMPORT_PROGRESS, 0, 1},
                                                       {WM_IMPORT_FAILED, 0, 1},
                                                       {WM_IMPORT_FINISHED, 0, 1}}));
    EXPECT_EQ(ListFolder(m_root), Strings{"a.aup"});
}

}  // namespace
}  // namespace kelvarin::test
