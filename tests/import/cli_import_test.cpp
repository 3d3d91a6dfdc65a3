// The built kelvarin-cli's import: exit statuses, the log and summary lines,
// the root taken from root.folder, and a dry run that writes nothing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scan/collect_files.h"
#include "tests/import/import_test_util.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const std::string& path) {
    const Bytes bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Runs kelvarin-cli with `args` in the folder `cwd`, standard output and
// error into files (so neither is a terminal).
CliRun RunCli(const std::string& cwd, const std::vector<std::string>& args) {
    const TempDir capture;
    const std::string outPath = capture / "out";
    const std::string errPath = capture / "err";
    std::vector<std::string> argv = {KELVARIN_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 ||
            ::chdir(cwd.c_str()) != 0) {
            ::_exit(127);
        }
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    CliRun run;
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        ADD_FAILURE() << "kelvarin-cli did not run to its end";
        return run;
    }
    run.status = WEXITSTATUS(status);
    run.out = ReadText(outPath);
    run.err = ReadText(errPath);
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The summary line without its time and rate, which vary from run to run.
std::string Counts(const std::string& out) {
    const std::vector<std::string> lines = Lines(out);
    if (lines.empty()) {
        return {};
    }
    const std::string& last = lines.back();
    const std::size_t failed = last.find("failed ");
    const std::size_t comma = last.find(',', failed == std::string::npos ? 0 : failed);
    return comma == std::string::npos ? last : last.substr(0, comma);
}

class CliImportTest : public testing::Test {
protected:
    CliImportTest() : m_source(m_dir / "New"), m_root(m_dir / "upd") {
        fs::create_directories(m_root);
        WriteFile(m_source + "/Data/A.TXT", "alpha");
        WriteFile(m_source + "/b.bin", Bytes(3000, 7));
        WriteFile(m_source + "/c", "gamma");
    }

    std::vector<std::string> StoredTree() const {
        std::vector<std::string> files;
        CollectFiles(m_root, files);
        return files;
    }

    TempDir m_dir;
    std::string m_source;
    std::string m_root;
};

TEST_F(CliImportTest, FreshImportLogsEachFileAndSucceeds) {
    const CliRun run = RunCli(m_dir.Path(), {"import", "New", "--root", "upd"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    EXPECT_TRUE(Contains(lines, "添加:b.bin(0)")) << run.out;
    EXPECT_TRUE(Contains(lines, "添加:c(1)")) << run.out;
    EXPECT_TRUE(Contains(lines, "添加:Data/A.TXT(2)")) << run.out;
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << "colours only on a terminal";
    EXPECT_EQ(run.out.find('\r'), std::string::npos);
    EXPECT_EQ(Counts(run.out), "added 3, updated 0, unchanged 0, refused 0, failed 0");
    EXPECT_EQ(StoredContent(m_root + "/data/a.txt.aup"), ToBytes("alpha"));
    EXPECT_EQ(StoredTree().size(), 3u);
}

TEST_F(CliImportTest, SecondImportFindsEverythingUnchangedThenOneUpdate) {
    ASSERT_EQ(RunCli(m_dir.Path(), {"import", "New", "--root", "upd"}).status, 0);
    CliRun run = RunCli(m_dir.Path(), {"import", "New", "--root", "upd"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Lines(run.out).size(), 1u) << run.out;
    EXPECT_EQ(Counts(run.out), "added 0, updated 0, unchanged 3, refused 0, failed 0");

    WriteFile(m_source + "/c", "GAMMA");
    run = RunCli(m_dir.Path(), {"import", "New", "--root", "upd"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Contains(Lines(run.out), "更新:c(1)")) << run.out;
    EXPECT_EQ(Counts(run.out), "added 0, updated 1, unchanged 2, refused 0, failed 0");
    EXPECT_EQ(StoredContent(m_root + "/c.aup"), ToBytes("GAMMA"));
}

TEST_F(CliImportTest, DryRunSaysWhatWouldChangeAndWritesNothing) {
    ASSERT_EQ(RunCli(m_dir.Path(), {"import", "New", "--root", "upd"}).status, 0);
    WriteFile(m_source + "/c", "changed");
    WriteFile(m_source + "/d", "new");
    const Bytes before = ReadFile(m_root + "/c.aup");

    const CliRun run = RunCli(m_dir.Path(), {"import", "New", "--root", "upd", "--dry-run"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    EXPECT_TRUE(Contains(lines, "更新:c(1)")) << run.out;
    EXPECT_TRUE(Contains(lines, "添加:d(2)")) << run.out;
    EXPECT_EQ(Counts(run.out),
              "dry run, nothing written: would add 1, would update 1, unchanged 2, refused 0, "
              "failed 0");
    EXPECT_EQ(ReadFile(m_root + "/c.aup"), before);
    EXPECT_EQ(StoredTree().size(), 3u);
}

TEST_F(CliImportTest, RootComesFromRootFolderFileInTheCurrentFolder) {
    WriteFile(m_dir / "root.folder", m_root + "\r\n");
    const CliRun run = RunCli(m_dir.Path(), {"import", m_source});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(StoredTree().size(), 3u);
}

TEST_F(CliImportTest, ImportWithoutAnyRootIsRefusedAndWritesNothing) {
    const CliRun run = RunCli(m_dir.Path(), {"import", "New"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("root.folder"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
    EXPECT_TRUE(StoredTree().empty());
}

TEST_F(CliImportTest, RootInsideTheSourceIsRefused) {
    fs::create_directories(m_source + "/upd");
    const CliRun run = RunCli(m_dir.Path(), {"import", "New", "--root", "New/upd"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("inside the source folder"), std::string::npos) << run.err;
    EXPECT_TRUE(ListFolder(m_source + "/upd").empty());
}

TEST_F(CliImportTest, RefusedNameMakesTheRunFailButTheRestIsImported) {
    WriteFile(m_source + "/what?", "x");
    const CliRun run = RunCli(m_dir.Path(), {"import", "New", "--root", "upd"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(Lines(run.out), "refused:what? (the client cannot hold this name)"))
        << run.out;
    EXPECT_EQ(Counts(run.out), "added 3, updated 0, unchanged 0, refused 1, failed 0");
    EXPECT_EQ(StoredTree().size(), 3u);
}

TEST_F(CliImportTest, UnwritableStoredFileMakesTheRunFail) {
    fs::create_directories(m_root + "/c.aup");
    const CliRun run = RunCli(m_dir.Path(), {"import", "New", "--root", "upd"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(Lines(run.out), "failed:c(1)")) << run.out;
    EXPECT_NE(run.err.find("error write file"), std::string::npos) << run.err;
    EXPECT_EQ(Counts(run.out), "added 2, updated 0, unchanged 0, refused 0, failed 1");
}

TEST_F(CliImportTest, MissingSourceIsAUsageError) {
    const CliRun run = RunCli(m_dir.Path(), {"import", "--root", "upd"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(StoredTree().empty());
}

TEST_F(CliImportTest, SummaryEndsWithSecondsAndRate) {
    const CliRun run = RunCli(m_dir.Path(), {"import", "New", "--root", "upd"});
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_FALSE(lines.empty());
    const std::string& last = lines.back();
    EXPECT_NE(last.find(" s, "), std::string::npos) << last;
    EXPECT_TRUE(last.ends_with(" MB/s")) << last;
}

}  // namespace
}  // namespace kelvarin::test
