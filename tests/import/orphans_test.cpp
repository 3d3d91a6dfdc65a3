// The orphan search and verify's source check, run on real trees in the
// core: what they find, what they remove, and that they wait for no run
// and disturb none.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "fileio/paths.h"
#include "fileio/root_lock.h"
#include "import/import_messages.h"
#include "import/orphans.h"
#include "import/source_check.h"
#include "import/start_import.h"
#include "tests/support/recorders.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

// Paths below the root are spelled with the system's separator.
const std::string kDataFolder = std::string("data") + kSeparator;

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
    const std::string found = kDataFolder + "b.bin.aup data\\b.bin " + std::to_string(bytes) + " ";
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
    WriteFile(m_base / "src/x&", "x");         // refused
    fs::remove(m_base / "src/Data/B.bin");     // its stored file has no source
    std::vector<std::string> kinds;
    for (const SourceFinding& finding : CheckSourceAgainstRoot(m_src, m_root).findings) {
        kinds.push_back(finding.kind + " " + finding.name);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{
                         "refused " + (m_base / "src/x&"), "source-differs a.txt.aup",
                         "not-imported new.txt.aup", "no-source " + kDataFolder + "b.bin.aup"}));
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

// Every regular file under `folder`, links not followed, with its size.
std::set<std::pair<std::string, std::uintmax_t>> FilesUnder(const fs::path& folder) {
    std::set<std::pair<std::string, std::uintmax_t>> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && !entry.is_symlink()) {
            files.emplace(entry.path().lexically_relative(folder).string(), entry.file_size());
        }
    }
    return files;
}

struct HostileTree {
    const char* name;
    std::function<bool(const TempDir& base)> plant;  // false: this system cannot
    const char* source;                              // below the working folder
    const char* refused;  // part of the refusal, or nullptr: then `found` are the orphans
    std::vector<std::string> found;
    friend void PrintTo(const HostileTree& tree, std::ostream* out) { *out << tree.name; }
};

class HostileTrees : public SourceAndRoot, public testing::WithParamInterface<HostileTree> {};

// Guards that orphans deletes nothing through a link, outside the root, of
// another name of a wanted file, or that is no stored file, and refuses the
// folders an import refuses, in the same words.
TEST_P(HostileTrees, RemoveOnlyTheTrueOrphanOrRefuseAsImportDoes) {
    fs::remove(m_base / "src/Data/C.bin");  // data/c.bin.aup: the one true orphan
    if (!GetParam().plant(m_base)) {
        GTEST_SKIP() << "this system makes no symbolic links (Wine accepts and ignores them)";
    }
    auto expected = FilesUnder(m_base.Path());
    const std::string source = m_base / GetParam().source;
    const OrphanSearch search = FindOrphans(source, m_root, OrphanDeletion::kDelete);
    std::vector<std::string> found;
    for (const Orphan& orphan : search.orphans) {
        found.push_back(orphan.stored + " " + std::to_string(static_cast<int>(orphan.action)) +
                        " " + orphan.reason);
    }
    EXPECT_EQ(found, GetParam().found);
    if (GetParam().refused == nullptr) {
        EXPECT_EQ(search.refusal, "");
        std::erase_if(expected, [](const auto& file) {
            return file.first == "root" + (kSeparator + kDataFolder) + "c.bin.aup";
        });
    } else {
        EXPECT_NE(search.refusal.find(GetParam().refused), std::string::npos) << search.refusal;
        RecordingMessageWindow window;
        EXPECT_EQ(StartImport(source, m_root, window).message, search.refusal);
        EXPECT_EQ(CheckSourceAgainstRoot(source, m_root).refusal, search.refusal);
    }
    EXPECT_EQ(FilesUnder(m_base.Path()), expected);
}

const std::string kRemoved = kDataFolder + "c.bin.aup 1 ";
const auto kPlantNothing = [](const TempDir&) { return true; };

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileTrees,
    testing::Values(
        HostileTree{
            "LinkToASiblingFolder",
            [](const TempDir& base) { return MakeLink("data", base / "root/shared", true); },
            "src",
            nullptr,
            {kRemoved, "shared/b.bin.aup 3 behind a link", "shared/c.bin.aup 3 behind a link"}},
        HostileTree{"LinkOutOfTheRoot",
                    [](const TempDir& base) {
                        WriteFile(base / "outside/keep.aup", "x");
                        return MakeLink(fs::path("../outside").make_preferred(), base / "root/ext",
                                        true);
                    },
                    "src",
                    nullptr,
                    {kRemoved, "ext/keep.aup 3 behind a link"}},
        HostileTree{"FileLinkOutOfTheRoot",
                    [](const TempDir& base) {
                        fs::create_directories(base / "outside");
                        fs::copy_file(base / "root/a.txt.aup", base / "outside/far.aup");
                        return MakeLink(fs::path("../outside/far.aup").make_preferred(),
                                        base / "root/far.aup");
                    },
                    "src",
                    nullptr,
                    {kRemoved, "far.aup 3 a link or other special file, not a regular file"}},
        HostileTree{"HardLinkUnderTwoNames",
                    [](const TempDir& base) {
                        fs::create_hard_link(base / "root/a.txt.aup", base / "root/twin.aup");
                        return true;
                    },
                    "src",
                    nullptr,
                    {kRemoved, "twin.aup 3 another name of this file has a source"}},
        HostileTree{"ListSavedAsAStoredName",
                    [](const TempDir& base) {
                        WriteFile(base / "root/list.aup", "<?xml version=\"1.0\"?>\n<list/>\n");
                        return true;
                    },
                    "src",
                    nullptr,
                    {kRemoved, "list.aup 3 not an undamaged stored file"}},
        HostileTree{"DamagedStoredFile",
                    [](const TempDir& base) {
                        fs::copy_file(base / "root/a.txt.aup", base / "root/cut.aup");
                        fs::resize_file(base / "root/cut.aup", 6);
                        return true;
                    },
                    "src",
                    nullptr,
                    {"cut.aup 3 not an undamaged stored file", kRemoved}},
        HostileTree{"RootAsSource", kPlantNothing, "root", "lies inside the source", {}},
        HostileTree{"SourceLinksToTheRoot",
                    [](const TempDir& base) { return MakeLink("root", base / "rootlink", true); },
                    "rootlink",
                    "lies inside the source",
                    {}},
        HostileTree{"SourceInsideTheRoot", kPlantNothing, "root/data", "lies inside the root", {}},
        HostileTree{"RootInsideTheSource", kPlantNothing, ".", "lies inside the source", {}},
        HostileTree{"SourceHoldsALinkBelowTheRoot",
                    [](const TempDir& base) {
                        return MakeLink(fs::path("../root/data").make_preferred(),
                                        base / "src/Assets", true);
                    },
                    "src",
                    "through the link",
                    {}}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kelvarin::test
