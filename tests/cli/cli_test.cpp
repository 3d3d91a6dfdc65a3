// kelvarin-cli as a build pipeline runs it: the built program in its own
// working folder, its output, its summary and its exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// A source folder "src" with three files and an empty root folder "root",
// in a working folder of their own.
class Cli : public testing::Test {
protected:
    void SetUp() override {
        WriteFile(m_work / "src/A.txt", "alpha");
        WriteFile(m_work / "src/Data/B.bin", "beta");
        WriteFile(m_work / "src/Data/C.bin", "gamma");
        fs::create_directories(m_work / "root");
    }

    // Runs kelvarin-cli with `arguments` (quoted as a shell needs) in the
    // working folder, with a home and XDG folders of its own.
    CliRun Run(const std::string& arguments) {
        const std::string home = m_capture.Path().string();
        const std::string command =
            "cd '" + m_work.Path().string() + "' && HOME='" + home + "' XDG_CONFIG_HOME='" + home +
            "' XDG_DATA_HOME='" + home + "' XDG_CACHE_HOME='" + home + "' '" KELVARIN_CLI "' " +
            arguments + " >'" + home + "/out' 2>'" + home + "/err' </dev/null";
        const int raw = std::system(command.c_str());
        const Bytes out = ReadFile(m_capture / "out");
        const Bytes err = ReadFile(m_capture / "err");
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(out.begin(), out.end()),
                std::string(err.begin(), err.end())};
    }

    TempDir m_work;
    TempDir m_capture;
};

TEST_F(Cli, ImportsThenFindsOnlyWhatChanged) {
    CliRun run = Run("import src --root root");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("添加:Data/B.bin("), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("added 3, updated 0, unchanged 0, refused 0, failed 0"),
              std::string::npos)
        << run.out;
    EXPECT_TRUE(fs::exists(m_work / "root/data/c.bin.aup"));

    WriteFile(m_work / "src/Data/C.bin", "gamma!");
    WriteFile(m_work / "src/D.txt", "delta");
    run = Run("import src --root root --dry-run");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("would add 1, would update 1, unchanged 2"), std::string::npos)
        << run.out;
    EXPECT_FALSE(fs::exists(m_work / "root/d.txt.aup"));

    WriteFile(m_work / "root.folder", m_work / "root");
    run = Run("import src");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("更新:Data/C.bin("), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("added 1, updated 1, unchanged 2, refused 0, failed 0"),
              std::string::npos)
        << run.out;

    run = Run("filelist");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("4 files"), std::string::npos) << run.out;
    EXPECT_TRUE(fs::exists(m_work / "root/update_filelist.xml.bin"));
    run = Run("filelist --root root --out mine.xml");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(m_work / "mine.xml.bin"));
}

struct ExitCase {
    const char* name;
    const char* arguments;
    const char* setUp;  // made in the working folder first; a folder if it ends in /
    int status;
    const char* shown;  // in standard output or standard error
};

class CliExit : public Cli, public testing::WithParamInterface<ExitCase> {};

TEST_P(CliExit, StatusTellsThePipeline) {
    const ExitCase& c = GetParam();
    const std::string setUp = c.setUp;
    if (setUp.ends_with('/')) {
        fs::create_directories(m_work / setUp);
    } else if (!setUp.empty()) {
        WriteFile(m_work / setUp, "clash");
    }
    const CliRun run = Run(c.arguments);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_NE((run.out + run.err).find(c.shown), std::string::npos) << run.out << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliExit,
    testing::Values(
        ExitCase{"NoRoot", "import src", "", 1, "root.folder"},
        ExitCase{"RootInSource", "import src --root src/Data", "", 1, "inside the source"},
        ExitCase{"RefusedNames", "import src --root root", "src/a.TXT", 1, "refused 2, failed 0"},
        ExitCase{"StoredIsFolder", "import src --root root", "root/a.txt.aup/", 1,
                 "added 2, updated 0, unchanged 0, refused 0, failed 1"},
        ExitCase{"FilelistNoRoot", "filelist", "", 1, "root.folder"},
        ExitCase{"NoSource", "import", "", 2, "SOURCE"},
        ExitCase{"UnknownOption", "filelist --bogus", "", 2, "bogus"},
        ExitCase{"NoCommand", "", "", 2, ""}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kelvarin::test
