// kelvarin-cli as a build pipeline runs it: the built program in its own
// working folder, its output, its summary and its exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string_view>

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

    // Runs kelvarin-cli in the working folder, with a home of its own; expects
    // its exit status and each of `shown` in its standard output or error.
    void Expect(const std::string& arguments, int status,
                std::initializer_list<std::string_view> shown) {
        const std::string home = m_capture.Path().string();
        const std::string command = "cd '" + m_work.Path().string() + "' && HOME='" + home +
                                    "' XDG_CONFIG_HOME='" + home + "' XDG_DATA_HOME='" + home +
                                    "' XDG_CACHE_HOME='" + home + "' '" KELVARIN_CLI "' " +
                                    arguments + " >'" + home + "/out' 2>&1 </dev/null";
        const int raw = std::system(command.c_str());
        const Bytes bytes = ReadFile(m_capture / "out");
        const std::string out(bytes.begin(), bytes.end());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, status) << arguments << ":\n" << out;
        for (const std::string_view text : shown) {
            EXPECT_NE(out.find(text), std::string::npos) << arguments << ":\n" << out;
        }
    }

    TempDir m_work, m_capture;
};

TEST_F(Cli, ImportsThenFindsOnlyWhatChangedAndNamesWhatItWrote) {
    const auto changed = [this] { return ReadFile(m_work / "changed"); };
    Expect("import src --root root --changed changed", 0,
           {"添加:Data/B.bin(", "added 3, updated 0, unchanged 0, refused 0, failed 0"});
    EXPECT_EQ(changed(), ToBytes("a.txt.aup\ndata/b.bin.aup\ndata/c.bin.aup\n"));
    WriteFile(m_work / "src/Data/C.bin", "gamma!");
    WriteFile(m_work / "src/D.txt", "delta");
    Expect("import src --root root --dry-run --changed changed", 0,
           {"would add 1, would update 1, unchanged 2"});
    EXPECT_FALSE(fs::exists(m_work / "root/d.txt.aup"));
    EXPECT_EQ(changed(), ToBytes("d.txt.aup\ndata/c.bin.aup\n"));
    WriteFile(m_work / "root.folder", m_work / "root");
    Expect("import src", 0,
           {"更新:Data/C.bin(", "added 1, updated 1, unchanged 2, refused 0, failed 0"});
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
    Expect("orphans src --root root", 0, {"orphan:data/b.bin.aup\n1 orphans, 0 removed"});
    Expect("orphans src --root root --delete --changed changed", 0,
           {"removed:data/b.bin.aup\n1 orphans, 1 removed"});
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
    fs::copy_file(m_work / "other.xml.bin", m_work / "root/update_filelist.xml.bin",
                  fs::copy_options::overwrite_existing);
    WriteFile(m_work / "src/New.txt", "new");  // not imported
    fs::remove(m_work / "src/Data/B.bin");     // its stored file has no source
    Expect("verify --root root --source src", 1,
           {"md5 a.txt.aup: expected ", "md5x a.txt.aup", "length data\\b.bin.aup",
            "damaged data/b.bin.aup", "missing data\\c.bin.aup", "extra extra.txt", "bin ",
            "source-differs a.txt.aup", "not-imported new.txt.aup", "no-source data/b.bin.aup",
            "3 files checked, 13 problems"});
}

TEST_F(Cli, JsonDocumentsParseAndCountAsTheHumanSummariesDo) {
    WriteFile(m_work / "src/bad\xFF", "x");  // refused, its name kept byte for byte
    WriteFile(m_work / "src/a.TXT", "x");    // refused with A.txt: each keeps its own source
    const auto document = [this](const std::string& arguments, int status) {
        Expect(arguments + " --json >doc.json; (exit $?)", status, {});
        const Bytes bytes = ReadFile(m_work / "doc.json");
        return nlohmann::json::parse(std::string(bytes.begin(), bytes.end()));
    };
    Expect("import src --root root --dry-run", 1,
           {"would add 2, would update 0, unchanged 0, "
            "refused 3, failed 0"});
    nlohmann::json json = document("import src --root root --dry-run", 1);
    EXPECT_EQ(json["summary"]["added"], 2);
    EXPECT_EQ(json["summary"]["refused"], 3);
    EXPECT_EQ(json["summary"]["exit"], 1);
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
    WriteFile(m_work / "root/bad:name", "x");
    json = document("verify --root root", 1);
    EXPECT_EQ(json["files"][0]["name"], "bad:name");
    EXPECT_EQ(json["summary"]["exit"], 1);
}

struct ExitCase {
    const char* name;
    const char* arguments;
    const char* setUp;  // made in the working folder: a file, a folder ("x/"), a link ("x -> y")
    int status;
    const char* shown;  // in standard output or standard error
};

class CliExit : public Cli, public testing::WithParamInterface<ExitCase> {};

TEST_P(CliExit, StatusTellsThePipeline) {
    const ExitCase& c = GetParam();
    const std::string setUp = c.setUp;
    if (const std::size_t arrow = setUp.find(" -> "); arrow != std::string::npos) {
        fs::create_directory_symlink(setUp.substr(arrow + 4), m_work / setUp.substr(0, arrow));
    } else if (setUp.ends_with('/')) {
        fs::create_directories(m_work / setUp);
    } else if (!setUp.empty()) {
        WriteFile(m_work / setUp, "clash");
    }
    Expect(c.arguments, c.status, {c.shown});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliExit,
    testing::Values(
        ExitCase{"NoRoot", "import src", "", 3, "root.folder"},
        ExitCase{"EmptyRoot", "import src --root ''", "", 3, "the root folder given is empty"},
        ExitCase{"RootFolderWithNul",
                 "--version >/dev/null && printf '/tmp\\000x' >root.folder && '" KELVARIN_CLI
                 "' import src",
                 "", 3, "root.folder holds a control byte (\\x00) at byte 5"},
        // A name cannot split or forge a line of the log.
        ExitCase{"NameShownEscaped", "import src --root root", "src/x\nadded:y", 1,
                 "refused:x\\x0aadded:y ("},
        ExitCase{"SourceIsAFile", "import src/A.txt --root root", "", 3, "is a file, not a folder"},
        ExitCase{"RootInSource", "import src --root src/Data", "", 3, "inside the source"},
        ExitCase{"LoopNamedNotFollowed", "import src --root root", "src/Data/loop -> ..", 0,
                 "src/Data/loop links to a folder that contains it"},
        ExitCase{"SourceReachesRoot", "import src --root root", "src/Data/up -> ../..", 3,
                 "through the link"},
        ExitCase{"ImportNotBehindALink", "import src --root root", "root/data -> ../src/Data", 1,
                 "(lies behind the link data)"},
        ExitCase{"OrphansOfTheRootItself", "orphans root --root root --delete", "", 3,
                 "lies inside the source folder"},
        ExitCase{"OrphansSourceLinksBelowTheRoot",
                 "--version >/dev/null && mkdir root/data && '" KELVARIN_CLI
                 "' orphans src --root root",
                 "src/Assets -> ../root/data", 3, "/src/Assets to "},
        ExitCase{"OrphansKeptBehindALink",
                 "import src --root root >/dev/null && ln -s data root/shared && '" KELVARIN_CLI
                 "' orphans src --root root --delete",
                 "", 1, "kept:shared/b.bin.aup (behind a link)"},
        ExitCase{"RefusedNames", "import src --root root", "src/a.TXT", 1, "refused 2, failed 0"},
        ExitCase{"StoredIsFolder", "import src --root root", "root/a.txt.aup/", 1,
                 "added 2, updated 0, unchanged 0, refused 1, failed 0"},
        ExitCase{"FilelistNoRoot", "filelist", "", 3, "root.folder"},
        // Root reads every folder: as root, a copy of the program runs as nobody.
        ExitCase{"UnreadableSourceFolder",
                 "--version >/dev/null && cp '" KELVARIN_CLI "' kcli && chmod 755 . kcli root src "
                 "&& chmod 0 src/Data && $(test $(id -u) = 0 && echo setpriv --reuid=65534 "
                 "--regid=65534 --clear-groups) ./kcli import src --root root",
                 "", 3, "Data cannot be read (Permission denied)"},
        ExitCase{"UnreadableRootFolder",
                 "--version >/dev/null && cp '" KELVARIN_CLI "' kcli && chmod 755 . kcli root "
                 "&& mkdir root/sub && chmod 0 root/sub && $(test $(id -u) = 0 && echo setpriv "
                 "--reuid=65534 --regid=65534 --clear-groups) ./kcli filelist --root root",
                 "", 3, "sub cannot be read (Permission denied)"},
        // A refused 2 GiB file adds nothing to the speed.
        ExitCase{"HugeFileFails",
                 "--version >/dev/null && truncate -s 2G src/huge && '" KELVARIN_CLI
                 "' import src --root root",
                 "", 1, " s, 0.0 MB/s"},
        ExitCase{"FifoExcludeList",
                 "--version >/dev/null && mkfifo exclude.list && '" KELVARIN_CLI
                 "' filelist --root root",
                 "", 3, "exclude.list is not a regular file"},
        ExitCase{"RootBusy",
                 "--version >/dev/null && flock root '" KELVARIN_CLI "' import src --root root", "",
                 3, ", flock root "},
        ExitCase{"UnpackOntoAFolder",
                 "pack src/A.txt a.aup && '" KELVARIN_CLI "' unpack a.aup root", "", 3,
                 "root is not a regular file"},
        ExitCase{"UnpackWrongLengthField",
                 "pack src/A.txt a.aup && printf '\\177' | dd of=a.aup bs=1 seek=3 "
                 "conv=notrunc 2>/dev/null && '" KELVARIN_CLI "' unpack a.aup out",
                 "", 1, "length field disagrees"},
        ExitCase{"DamagedStoredNamedOnStandardErrorOnly",
                 "--version >/dev/null && printf '\\020\\0\\0\\0\\377' >root/a.aup; '" KELVARIN_CLI
                 "' filelist --root root >o 2>e; s=$?; grep -q Fatal o && s=9; (cat e; exit $s)",
                 "", 1, "damaged stored file a.aup"},
        ExitCase{"ListOutputIsALink",
                 "--version >/dev/null && ln -s src/A.txt mine.xml.bin && '" KELVARIN_CLI
                 "' filelist --root root --out mine.xml",
                 "", 3, "mine.xml.bin is not a regular file"},
        ExitCase{"RootSetThenShown", "root src/Data/.. && '" KELVARIN_CLI "' root", "", 0,
                 "/src\n"},
        ExitCase{"PipedThroughPackAndUnpack",
                 "--version >/dev/null && printf 'abcabcabc' | '" KELVARIN_CLI
                 "' pack - new/x.aup && '" KELVARIN_CLI "' unpack new/x.aup -",
                 "", 0, "abcabcabc"},
        ExitCase{"PackToStandardOutput",
                 "pack src/A.txt - >a.aup && test ! -e ./- && '" KELVARIN_CLI "' unpack a.aup -",
                 "", 0, "alpha"},
        ExitCase{"Version", "--version", "", 0, "kelvarin-cli 0."},
        ExitCase{"NoSource", "import", "", 2, "SOURCE"},
        ExitCase{"UnknownOption", "filelist --bogus", "", 2, "bogus"},
        ExitCase{"TooManyWorkers", "import src --root root --workers 65", "", 2, "--workers"},
        ExitCase{"ThreeWorkers", "import src --root root --workers 3", "", 0, "(2)\n"},
        ExitCase{"NoCommand", "", "", 2, ""},
        // A report lost on its way out fails the run; a refusal stays a refusal.
        ExitCase{"VerifyToFullOutput",
                 "import src --root root >/dev/null && '" KELVARIN_CLI "' filelist --root root "
                 ">/dev/null && ('" KELVARIN_CLI "' verify --root root >/dev/full)",
                 "", 1, "cannot write standard output: No space left on device"},
        ExitCase{"VerifyJsonToFullOutput",
                 "import src --root root >/dev/null && '" KELVARIN_CLI "' filelist --root root "
                 ">/dev/null && ('" KELVARIN_CLI "' verify --root root --json >/dev/full)",
                 "", 1, "cannot write standard output"},
        ExitCase{"ImportJsonToFullOutput",
                 "--version >/dev/null && ('" KELVARIN_CLI "' import src --root root --json "
                 ">/dev/full)",
                 "", 1, "cannot write standard output"},
        ExitCase{"OrphansToFullOutput",
                 "import src --root root >/dev/null && ('" KELVARIN_CLI
                 "' orphans src --root root >/dev/full)",
                 "", 1, "cannot write standard output"},
        ExitCase{"RefusedToFullOutput",
                 "--version >/dev/null && ('" KELVARIN_CLI "' import src --json >/dev/full)", "", 3,
                 "cannot write standard output"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kelvarin::test
