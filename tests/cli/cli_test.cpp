// kelvarin-cli as a build pipeline runs it: the built program in its own
// working folder, its output, its summary and its exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string_view>

#include "fileio/paths.h"
#include "fileio/root_lock.h"
#include "tests/support/process.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

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

    // Runs `script` in the working folder and expects the exit status of its
    // last step and each of `shown` in that step's standard output or error
    // ('%' in `shown` is the system's separator). Steps are parted by " && ";
    // each is a kelvarin-cli command line (words parted by spaces, '' is an
    // empty one, <F, >F and 2>F redirect) or one of: write FILE TEXT (\xHH
    // for any byte), patch FILE OFFSET TEXT, size FILE BYTES, link LINK
    // TARGET, fifo FILE, unreadable FOLDER (the runs after it are
    // unprivileged), lock FOLDER (held by this test), absent FILE.
    void Expect(const std::string& script, int status,
                std::initializer_list<std::string_view> shown) {
        std::optional<RootLock> lock;
        std::string out;
        for (std::size_t at = 0, end = 0; end != std::string::npos; at = end + 4) {
            end = script.find(" && ", at);
            const std::string step = script.substr(at, end - at);
            const bool prepared = Prepare(step, lock);
            const int got = prepared || !m_skip.empty() ? 0 : Run(step, out);
            if (!m_skip.empty()) {
                GTEST_SKIP() << m_skip;
            }
            if (!prepared) {
                ASSERT_EQ(got, end == std::string::npos ? status : 0)
                    << step << " gave " << got << ":\n"
                    << out;
            }
        }
        for (const std::string_view wanted : shown) {
            std::string text(wanted);
            std::replace(text.begin(), text.end(), '%', kSeparator);
            EXPECT_NE(out.find(text), std::string::npos) << script << ":\n" << out;
        }
    }

    // Does `step` when it is a set-up word; false when it is a command line.
    // What the system cannot set up is named in m_skip.
    bool Prepare(const std::string& step, std::optional<RootLock>& lock) {
        const std::size_t space = step.find(' '), second = step.find(' ', space + 1);
        const std::string verb = step.substr(0, space);
        const std::string file = m_work / Unescaped(step.substr(space + 1, second - space - 1));
        const std::string rest =
            second == std::string::npos ? "" : Unescaped(step.substr(second + 1));
        if (verb == "write") {
            WriteFile(file, rest);
        } else if (verb == "patch") {
            std::fstream(file, std::ios::binary | std::ios::in | std::ios::out)
                .seekp(std::stoi(rest))
                .write(rest.data() + rest.find(' ') + 1, 1);
        } else if (verb == "size") {
            fs::resize_file(file, std::stoull(rest));
        } else if (verb == "link") {
            const fs::path target = fs::path(rest).make_preferred();
            if (!MakeLink(target, file, fs::is_directory(fs::path(file).parent_path() / target))) {
                m_skip = "this system makes no symbolic links (Wine accepts and ignores them)";
            }
        } else if (verb == "fifo") {
            m_skip = MakeFifo(file) ? "" : "this system has no FIFOs that a folder can hold";
        } else if (verb == "unreadable") {
            m_unprivileged = MakeUnreadable(file);
            m_skip = m_unprivileged ? "" : "Wine does not enforce folder permissions";
        } else if (verb == "lock") {
            lock.emplace(RootLock::TryLock(CanonicalFolder(file)));
        } else if (verb == "absent") {
            EXPECT_FALSE(fs::exists(file)) << file;
        } else {
            return false;
        }
        return true;
    }

    // Runs the command line `step`; its output (what is not redirected) goes to `out`.
    int Run(const std::string& step, std::string& out) {
        std::vector<std::string> arguments;
        std::string program = KELVARIN_CLI, input, output = m_capture / "out", errors = output;
        if (m_unprivileged) {  // a copy the unprivileged user may run
            program = m_work / "kcli";
            fs::copy_file(KELVARIN_CLI, program, fs::copy_options::overwrite_existing);
            for (const std::string& folder :
                 {program, m_work.Path().string(), m_work / "root", m_work / "src"}) {
                fs::permissions(folder, fs::perms(0755));
            }
            arguments = UnprivilegedRunner();
            arguments.push_back(program);
            program = arguments.front();
            arguments.erase(arguments.begin());
        }
        std::istringstream words(step);
        for (std::string word; words >> word;) {
            const std::string target = m_work / word.substr(word.find('>') + 1);
            if (word == ">/dev/full") {
                if (!fs::exists("/dev/full")) {
                    m_skip = "this system has no device that is always full";
                    return 0;
                }
                output = "/dev/full";
            } else if (word.starts_with("2>")) {
                errors = target;
            } else if (word.starts_with(">")) {
                output = target;
            } else if (word.starts_with("<")) {
                input = m_work / word.substr(1);
            } else {
                arguments.push_back(word == "''" ? "" : word);
            }
        }
        const int status =
            RunProgram(program, arguments, m_work.Path().string(), input, output, errors);
        const Bytes bytes = ReadFile(m_capture / "out");
        out.assign(bytes.begin(), bytes.end());
        return status;
    }

    // `text` with each \xHH as its byte.
    static std::string Unescaped(const std::string& text) {
        std::string bytes;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool escape = text.compare(i, 2, "\\x") == 0 && i + 3 < text.size();
            bytes.push_back(escape
                                ? static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16))
                                : text[i]);
            i += escape ? 3 : 0;
        }
        return bytes;
    }

    TempDir m_work, m_capture;
    bool m_unprivileged = false;
    std::string m_skip;
};

TEST_F(Cli, ImportsThenFindsOnlyWhatChangedAndNamesWhatItWrote) {
    const auto changed = [this] { return ReadFile(m_work / "changed"); };
    Expect("import src --root root --changed changed", 0,
           {"添加:Data%B.bin(", "added 3, updated 0, unchanged 0, refused 0, failed 0"});
    EXPECT_EQ(changed(), ToBytes("a.txt.aup\ndata/b.bin.aup\ndata/c.bin.aup\n"));
    WriteFile(m_work / "src/Data/C.bin", "gamma!");
    WriteFile(m_work / "src/D.txt", "delta");
    Expect("import src --root root --dry-run --changed changed", 0,
           {"would add 1, would update 1, unchanged 2"});
    EXPECT_FALSE(fs::exists(m_work / "root/d.txt.aup"));
    EXPECT_EQ(changed(), ToBytes("d.txt.aup\ndata/c.bin.aup\n"));
    WriteFile(m_work / "root.folder", m_work / "root");
    Expect("import src", 0,
           {"更新:Data%C.bin(", "added 1, updated 1, unchanged 2, refused 0, failed 0"});
    Expect("import src --changed changed", 0, {"added 0, updated 0, unchanged 4"});
    EXPECT_EQ(changed(), Bytes{});
    Expect("filelist --changed changed", 0, {"4 files"});
    EXPECT_EQ(changed(), ToBytes("update_filelist.xml\nupdate_filelist.xml.bin\n"));
    Expect("filelist --root root --out mine.xml --changed changed", 0, {});
    const std::string mine = fs::path(m_work / "mine.xml").lexically_normal().string();
    EXPECT_EQ(changed(), ToBytes(mine + "\n" + mine + ".bin\n"));
}

TEST_F(Cli, OrphansAreListedThenDeletedAndNamedForTheUpload) {
    Expect("import src --root root", 0, {"added 3"});
    fs::remove(m_work / "src/Data/B.bin");
    Expect("orphans src --root root", 0, {"orphan:data%b.bin.aup\n1 orphans, 0 removed"});
    Expect("orphans src --root root --delete --changed changed", 0,
           {"removed:data%b.bin.aup\n1 orphans, 1 removed"});
    EXPECT_EQ(ReadFile(m_work / "changed"), ToBytes("data/b.bin.aup\n"));
}

TEST_F(Cli, VerifyPassesAFreshTreeAndNamesEachKindOfDifference) {
    Expect("import src --root root", 0, {"added 3"});
    Expect("filelist --root root", 0, {"3 files"});
    Expect("verify --root root --source src", 0, {"3 files checked, 0 problems"});
    WriteFile(m_work / "other", "alphb");
    Expect("pack other root/a.txt.aup", 0, {});          // same length, other content
    fs::resize_file(m_work / "root/data/b.bin.aup", 7);  // damaged
    fs::remove(m_work / "root/data/c.bin.aup");          // missing
    WriteFile(m_work / "root/extra.txt", "x");           // extra
    // A whole, valid .bin of another list is not the list's.
    Expect("filelist --root src/Data --out other.xml", 0, {"2 files"});
    WriteFile(m_work / "root/update_filelist.xml.bin", ReadFile(m_work / "other.xml.bin"));
    WriteFile(m_work / "src/New.txt", "new");  // not imported
    fs::remove(m_work / "src/Data/B.bin");     // its stored file has no source
    Expect("verify --root root --source src", 1,
           {"md5 a.txt.aup: expected ", "md5x a.txt.aup", "length data\\b.bin.aup",
            "damaged data%b.bin.aup", "missing data\\c.bin.aup", "extra extra.txt", "bin ",
            "source-differs a.txt.aup", "not-imported new.txt.aup", "no-source data%b.bin.aup",
            "3 files checked, 13 problems"});
}

TEST_F(Cli, JsonDocumentsParseAndCountAsTheHumanSummariesDo) {
    const auto document = [this](const std::string& arguments, int status) {
        Expect(arguments + " --json >doc.json", status, {});
        const Bytes bytes = ReadFile(m_work / "doc.json");
        return nlohmann::json::parse(std::string(bytes.begin(), bytes.end()));
    };
    nlohmann::json json;
    if (kAnyFileName) {  // names Windows cannot hold: bytes outside UTF-8, case twins
        WriteFile(m_work / "src/bad\xFF", "x");  // refused, its name kept byte for byte
        WriteFile(m_work / "src/a.TXT", "x");    // refused with A.txt: each keeps its own source
        json = document("import src --root root --dry-run", 1);
        EXPECT_EQ(json["summary"]["added"], 2);
        EXPECT_EQ(json["summary"]["refused"], 3);
        EXPECT_EQ(json["files"].size(), 5u);
        EXPECT_EQ(json["files"][0]["name"], "a.txt");
        EXPECT_EQ(json["files"][0]["source"], "A.txt");
        EXPECT_EQ(json["files"][1]["name"], "a.txt");
        EXPECT_EQ(json["files"][1]["source"], "a.TXT");
        EXPECT_EQ(json["files"][2]["name_hex"], "626164ff");
        EXPECT_EQ(json["files"][2]["source_hex"], "626164ff");
        EXPECT_EQ(json["files"][2]["action"], "refused");
        EXPECT_EQ(json["files"][3]["stored"], "data/b.bin.aup");
        EXPECT_FALSE(json["files"][3].contains("source"));
        fs::remove(m_work / "src/bad\xFF");
        fs::remove(m_work / "src/a.TXT");
    }
    json = document("import src --root root", 0);
    EXPECT_EQ(json["summary"]["added"], 3);
    WriteFile(m_work / "src/Data/C.bin", "gamma!");
    json = document("import src --root root", 0);
    EXPECT_EQ(json["summary"]["updated"], 1);
    EXPECT_EQ(json["summary"]["unchanged"], 2);
    json = document("filelist --root root", 0);
    EXPECT_EQ(json["summary"]["files"], 3);
    EXPECT_EQ(json["files"][1]["name"], "data\\b.bin.aup");
    json = document("verify --root root", 0);
    EXPECT_EQ(json["summary"]["problems"], 0);
    fs::remove(m_work / "src/A.txt");
    json = document("orphans src --root root", 0);
    EXPECT_EQ(json["files"][0]["stored"], "a.txt.aup");
    EXPECT_EQ(json["summary"]["orphans"], 1);
    // A refused or stopped run still gives a document: the reason, the files it names, the exit.
    for (const std::string command : {"import", "filelist", "verify", "orphans"}) {
        const bool sourced = command == "import" || command == "orphans";
        json = document(command + (sourced ? " src" : "") + " --root nowhere", 3);
        EXPECT_EQ(json["command"], command);
        EXPECT_NE(json["summary"]["refused"].get<std::string>().find("nowhere"), std::string::npos);
    }
    WriteFile(m_work / "root/bad&name", "x");
    json = document("verify --root root", 1);
    EXPECT_EQ(json["files"][0]["name"], "bad&name");
    EXPECT_EQ(json["summary"]["exit"], 1);
}

// The MD5 state after each block goes where the system's tools look for a program's debug output.
TEST_F(Cli, TraceReachesTheSystemsDebugOutput) {
    Expect("import src --root root", 0, {"added 3"});
    const std::string trace = DebugOutputOf(KELVARIN_CLI, {"--trace", "filelist", "--root", "root"},
                                            m_work.Path().string());
    EXPECT_NE(trace.find("state:a343172c bf5f3091 e4f87d36 f9f969f0\r\n"), std::string::npos)
        << trace;  // MD5 of "alpha"
}

struct ExitCase {
    const char* name;
    const char* arguments;
    int status;
    const char* shown;     // in standard output or standard error
    bool anyName = false;  // it writes a name only POSIX holds (kAnyFileName)
};

class CliExit : public Cli, public testing::WithParamInterface<ExitCase> {};

TEST_P(CliExit, StatusTellsThePipeline) {
    const ExitCase& c = GetParam();
    if (c.anyName && !kAnyFileName) {
        GTEST_SKIP() << "this system holds no control bytes or case twins in file names";
    }
    Expect(c.arguments, c.status, {c.shown});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliExit,
    testing::Values(
        ExitCase{"NoRoot", "import src", 3, "root.folder"},
        ExitCase{"EmptyRoot", "import src --root ''", 3, "the root folder given is empty"},
        ExitCase{"RootFolderWithNul", "write root.folder /tmp\\x00x && import src", 3,
                 "root.folder holds a control byte (\\x00) at byte 5"},
        // A name cannot split or forge a line of the log.
        ExitCase{"NameShownEscaped", "write src/x\\x0aadded:y x && import src --root root", 1,
                 "refused:x\\x0aadded:y (", true},
        ExitCase{"SourceIsAFile", "import src/A.txt --root root", 3, "is a file, not a folder"},
        ExitCase{"RootInSource", "import src --root src/Data", 3, "inside the source"},
        ExitCase{"LoopNamedNotFollowed", "link src/Data/loop .. && import src --root root", 0,
                 "src%Data%loop links to a folder that contains it"},
        ExitCase{"SourceReachesRoot", "link src/Data/up ../.. && import src --root root", 3,
                 "through the link"},
        ExitCase{"ImportNotBehindALink", "link root/data ../src/Data && import src --root root", 1,
                 "(lies behind the link data)"},
        ExitCase{"OrphansOfTheRootItself", "orphans root --root root --delete", 3,
                 "lies inside the source folder"},
        ExitCase{"OrphansSourceLinksBelowTheRoot",
                 "write root/data/x x && link src/Assets ../root/data && orphans src --root root",
                 3, "%src%Assets to "},
        ExitCase{"OrphansKeptBehindALink",
                 "import src --root root && link root/shared data && orphans src --root root "
                 "--delete",
                 1, "kept:shared/b.bin.aup (behind a link)"},
        ExitCase{"RefusedNames", "write src/a.TXT x && import src --root root", 1,
                 "refused 2, failed 0", true},
        ExitCase{"StoredIsFolder", "write root/a.txt.aup/x x && import src --root root", 1,
                 "added 2, updated 0, unchanged 0, refused 1, failed 0"},
        ExitCase{"FilelistNoRoot", "filelist", 3, "root.folder"},
        // Root reads every folder: as root, a copy of the program runs as nobody.
        ExitCase{"UnreadableSourceFolder", "unreadable src/Data && import src --root root", 3,
                 "Data cannot be read (Permission denied)"},
        ExitCase{"UnreadableRootFolder",
                 "write root/sub/x x && unreadable root/sub && filelist --root root", 3,
                 "sub cannot be read (Permission denied)"},
        // A refused 2 GiB file adds nothing to the speed.
        ExitCase{"HugeFileFails",
                 "write src/huge x && size src/huge 2147483648 && import src --root root", 1,
                 " s, 0.0 MB/s"},
        ExitCase{"FifoExcludeList", "fifo exclude.list && filelist --root root", 3,
                 "exclude.list is not a regular file"},
        ExitCase{"RootBusy", "lock root && import src --root root", 3,
                 "Another run is working on the root folder"},
        ExitCase{"UnpackOntoAFolder", "pack src/A.txt a.aup && unpack a.aup root", 3,
                 "root is not a regular file"},
        ExitCase{"UnpackWrongLengthField",
                 "pack src/A.txt a.aup && patch a.aup 3 \\x7f && unpack a.aup out", 1,
                 "length field disagrees"},
        // Standard output is the file o: what is shown came on standard error.
        ExitCase{"DamagedStoredNamedOnStandardErrorOnly",
                 "write root/a.aup \\x10\\x00\\x00\\x00\\xff && filelist --root root >o", 1,
                 "damaged stored file a.aup"},
        ExitCase{"ListOutputIsALink",
                 "link mine.xml.bin src/A.txt && filelist --root root --out mine.xml", 3,
                 "mine.xml.bin is not a regular file"},
        ExitCase{"RootSetThenShown", "root src/Data/.. && root", 0, "%src\n"},
        ExitCase{"PipedThroughPackAndUnpack",
                 "write in abcabcabc && pack - new/x.aup <in && unpack new/x.aup -", 0,
                 "abcabcabc"},
        ExitCase{"PackToStandardOutput", "pack src/A.txt - >a.aup && absent - && unpack a.aup -", 0,
                 "alpha"},
        ExitCase{"Version", "--version", 0, "kelvarin-cli 0."},
        ExitCase{"NoSource", "import", 2, "SOURCE"},
        ExitCase{"UnknownOption", "filelist --bogus", 2, "bogus"},
        ExitCase{"TooManyWorkers", "import src --root root --workers 65", 2, "--workers"},
        ExitCase{"ThreeWorkers", "import src --root root --workers 3", 0, "(2)\n"},
        ExitCase{"NoCommand", "", 2, ""},
        // A report lost on its way out fails the run; a refusal stays a refusal. Every
        // command's text and JSON go out through the one check at the end.
        ExitCase{"VerifyToFullOutput",
                 "import src --root root && filelist --root root && verify --root root "
                 ">/dev/full",
                 1, "cannot write standard output: No space left on device"},
        ExitCase{"RefusedToFullOutput", "import src --json >/dev/full", 3,
                 "cannot write standard output"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kelvarin::test
