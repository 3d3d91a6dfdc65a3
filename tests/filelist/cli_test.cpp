// `kelvarin-cli filelist` run as a pipeline runs it: the built program in a
// shell, with its defaults taken from the settings files of its current
// folder, and its exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "codec/decompressor.h"
#include "tests/filelist/sequential_file_list.h"
#include "tests/support/temp_dir.h"

namespace kelvarin {
namespace {

using test::Bytes;
using test::TempDir;

const Bytes kStoredAbc = {0x03, 0, 0, 0, 0xB0, 0xD8, 0xAC, 0x60, 0, 0};

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class CliFilelist : public testing::Test {
protected:
    // Runs kelvarin-cli in `folder` with `arguments` (already quoted).
    CliRun Run(const std::string& folder, const std::string& arguments) {
        const std::string out = m_capture / "out";
        const std::string err = m_capture / "err";
        const std::string command = "cd '" + folder + "' && '" KELVARIN_CLI "' " + arguments +
                                    " >'" + out + "' 2>'" + err + "' </dev/null";
        const int raw = std::system(command.c_str());
        CliRun run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = Text(test::ReadFile(out));
        run.err = Text(test::ReadFile(err));
        return run;
    }

    std::string List(const std::string& path) { return Text(test::ReadFile(path)); }

    TempDir m_root;
    TempDir m_work;
    TempDir m_capture;
};

TEST_F(CliFilelist, WritesTheListAndCompanionOfTheGivenRoot) {
    test::WriteFile(m_root / "Data/A.TXT.aup", kStoredAbc);
    const CliRun run =
        Run(m_work.Path().string(), "filelist --root '" + m_root.Path().string() + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string list = List(m_root / "update_filelist.xml");
    EXPECT_EQ(list, test::SequentialListText(m_root.Path().string(), {}));
    EXPECT_NE(run.out.find("1 files, 10 bytes"), std::string::npos) << run.out;
    // Standard error is no terminal here: no progress line.
    EXPECT_EQ(run.err, "");
    auto work = std::make_unique<LzssWindow>();
    Bytes content;
    ASSERT_EQ(DecompressFile(m_root / "update_filelist.xml.bin", *work, content), 1);
    EXPECT_EQ(Text(content), list);
}

TEST_F(CliFilelist, DefaultsComeFromTheSettingsFiles) {
    test::WriteFile(m_root / "a.aup", kStoredAbc);
    test::WriteFile(m_root / "b.aup", kStoredAbc);
    test::WriteFile(m_work / "root.folder", m_root.Path().string() + "\r\n");
    test::WriteFile(m_work / "exclude.list", "x\n  A\ty\n");
    const CliRun run = Run(m_work.Path().string(), "filelist");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(List(m_root / "update_filelist.xml"),
              test::SequentialListText(m_root.Path().string(), {"x", "A", "y"}));
    EXPECT_NE(List(m_root / "update_filelist.xml").find("name=\"a.aup\" pack=\"0\""),
              std::string::npos);
}

TEST_F(CliFilelist, OutChoosesWhereTheListGoes) {
    test::WriteFile(m_root / "a.aup", kStoredAbc);
    const std::string out = m_work / "lists/mine.xml";
    std::filesystem::create_directories(m_work.Path() / "lists");
    const CliRun run = Run(m_work.Path().string(),
                           "filelist --root '" + m_root.Path().string() + "' --out lists/mine.xml");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(List(out), test::SequentialListText(m_root.Path().string(), {}));
    EXPECT_TRUE(std::filesystem::exists(out + ".bin"));
    EXPECT_FALSE(std::filesystem::exists(m_root / "update_filelist.xml"));
}

TEST_F(CliFilelist, RefusedNamesFailTheRun) {
    test::WriteFile(m_root / "a.aup", kStoredAbc);
    test::WriteFile(m_root / "what?.aup", kStoredAbc);
    const CliRun run =
        Run(m_work.Path().string(), "filelist --root '" + m_root.Path().string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("what?.aup"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(m_root / "update_filelist.xml"));
}

TEST_F(CliFilelist, UnreadableFileFailsTheRun) {
    std::filesystem::create_symlink(m_root / "nowhere", m_root.Path() / "dangling.aup");
    const CliRun run =
        Run(m_work.Path().string(), "filelist --root '" + m_root.Path().string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("dangling.aup"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(m_root / "update_filelist.xml"));
}

TEST_F(CliFilelist, NoRootFolderFailsTheRun) {
    const CliRun run = Run(m_work.Path().string(), "filelist");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("root.folder"), std::string::npos) << run.err;
}

TEST_F(CliFilelist, UnknownOptionIsAUsageError) {
    const CliRun run = Run(m_work.Path().string(), "filelist --bogus");
    EXPECT_EQ(run.status, 2);
}

}  // namespace
}  // namespace kelvarin
