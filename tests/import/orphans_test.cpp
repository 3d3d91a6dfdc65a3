// The orphan search and verify's source check, run on real trees in the
// core: what they find, what they remove, and that they wait for no run
// and disturb none.
#include <gtest/gtest.h>

#include <filesystem>

#include "fileio/root_lock.h"
#include "import/import_messages.h"
#include "import/orphans.h"
#include "import/source_check.h"
#include "import/start_import.h"
#include "tests/support/recorders.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

// src: A.txt, Data/B.bin, Data/C.bin, imported into root.
class SourceAndRoot : public testing::Test {
protected:
    void SetUp() override {
        WriteFile(m_base / "src/A.txt", "alpha");
        WriteFile(m_base / "src/Data/B.bin", "beta");
        WriteFile(m_base / "src/Data/C.bin", "gamma");
        fs::create_directories(m_base / "root");
        RecordingMessageWindow window;
        ImportRun run = StartImport(m_src, m_root, window);
        ASSERT_TRUE(run.Started()) << run.message;
        run.End();
    }

    static std::vector<std::string> Describe(const OrphanSearch& search) {
        std::vector<std::string> lines;
        for (const Orphan& orphan : search.orphans) {
            lines.push_back(orphan.stored + " " + orphan.published + " " +
                            std::to_string(orphan.bytes) + " " +
                            std::to_string(static_cast<int>(orphan.action)));
        }
        return lines;
    }

    TempDir m_base;
    const std::string m_src = m_base / "src", m_root = m_base / "root";
};

TEST_F(SourceAndRoot, OrphansAreFoundThenRemovedAndNothingElseIs) {
    fs::remove(m_base / "src/Data/B.bin");
    WriteFile(m_base / "root/notes.txt", "not a stored file");
    const std::uintmax_t bytes = fs::file_size(m_base / "root/data/b.bin.aup");
    const std::string found = "data/b.bin.aup data\\b.bin " + std::to_string(bytes) + " ";
    EXPECT_EQ(Describe(FindOrphans(m_src, m_root, OrphanDeletion::kListOnly)),
              std::vector<std::string>{found + "0"});
    EXPECT_TRUE(fs::exists(m_base / "root/data/b.bin.aup"));
    EXPECT_EQ(Describe(FindOrphans(m_src, m_root, OrphanDeletion::kDelete)),
              std::vector<std::string>{found + "1"});
    EXPECT_EQ(ListFolder(m_base / "root"),
              (std::vector<std::string>{"a.txt.aup", "data", "notes.txt"}));
    EXPECT_EQ(ListFolder(m_base / "root/data"), std::vector<std::string>{"c.bin.aup"});
}

TEST_F(SourceAndRoot, ARootAnotherRunHoldsIsNeitherSearchedNorChecked) {
    fs::remove(m_base / "src/Data/B.bin");
    {
        const RootLock otherRun = RootLock::TryLock(m_root);
        const OrphanSearch search = FindOrphans(m_src, m_root, OrphanDeletion::kDelete);
        EXPECT_NE(search.refusal.find("Another run is working on the root folder"),
                  std::string::npos);
        EXPECT_TRUE(search.orphans.empty());
        EXPECT_FALSE(CheckSourceAgainstRoot(m_src, m_root).refusal.empty());
    }
    EXPECT_TRUE(fs::exists(m_base / "root/data/b.bin.aup"));
    EXPECT_FALSE(FindOrphans(m_base / "missing", m_root, OrphanDeletion::kDelete).refusal.empty());
    EXPECT_TRUE(fs::exists(m_base / "root/data/b.bin.aup"));
}

TEST_F(SourceAndRoot, SourceCheckNamesEachKindInScanOrderAndWritesNothing) {
    EXPECT_TRUE(CheckSourceAgainstRoot(m_src, m_root).findings.empty());
    WriteFile(m_base / "src/A.txt", "alphb");  // differs
    WriteFile(m_base / "src/New.txt", "new");  // not imported
    WriteFile(m_base / "src/x?", "x");         // refused
    fs::remove(m_base / "src/Data/B.bin");     // its stored file has no source
    std::vector<std::string> kinds;
    for (const SourceFinding& finding : CheckSourceAgainstRoot(m_src, m_root).findings) {
        kinds.push_back(finding.kind + " " + finding.name);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{
                         "refused " + (m_base / "src/x?"), "source-differs a.txt.aup",
                         "not-imported new.txt.aup", "no-source data/b.bin.aup"}));
    EXPECT_FALSE(fs::exists(m_base / "root/new.txt.aup"));
}

// A source the dry run fails (over the stored-size limit, say) is named with
// the import's own reason, not as a file merely not imported yet.
TEST_F(SourceAndRoot, SourceTheDryRunFailsIsNamedWithTheImportsReason) {
    WriteFile(m_base / "src/Huge.bin", "stands for 2 GiB");
    const auto dryRunOverLimit = [](std::unique_ptr<ImportJob> job) {
        return std::jthread([job = std::move(job)] {
            const auto worker = static_cast<std::intptr_t>(job->workerIndex);
            for (std::size_t i = 0; i < job->files->size(); ++i) {
                job->hwndDialog->PostMessage(WM_IMPORT_PROGRESS, i, worker);
                if ((*job->files)[i].ends_with("Huge.bin")) {
                    (*job->failureReasons)[i] = "file too large to store (2 GiB or more)";
                    job->hwndDialog->PostMessage(WM_IMPORT_FAILED, i, worker);
                }
            }
            job->hwndDialog->PostMessage(WM_IMPORT_FINISHED, 0, worker);
        });
    };
    const SourceFinding expected{"source-unreadable", m_base / "src/Huge.bin",
                                 "a file that can be read",
                                 "file too large to store (2 GiB or more)"};
    EXPECT_EQ(CheckSourceAgainstRoot(m_src, m_root, dryRunOverLimit).findings,
              std::vector<SourceFinding>{expected});
}

}  // namespace
}  // namespace kelvarin::test
