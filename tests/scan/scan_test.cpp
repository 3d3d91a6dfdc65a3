// The name policy and NTFS order against plain oracles;
// the scan on real trees (hidden, nested, looped, beyond PATH_MAX).
#include <gtest/gtest.h>

#include <cstring>

#include "scan/client_names.h"
#include "scan/collect_files.h"
#include "scan/ntfs_order.h"
#include "tests/support/process.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_dir.h"

namespace kelvarin {
namespace {

TEST(ClientNames, FoldOnlyAsciiLettersAndRefuseForbiddenAndControlBytesAndCaseTwins) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string c(1, static_cast<char>(byte));
        const char lower = byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + 32) : c[0];
        EXPECT_EQ(PublishedName(c), std::string(1, byte == '/' ? '\\' : lower)) << byte;
        // A lone byte from 0x80 is not UTF-8; '&' would not read back from the list; '\\' is
        // a name byte only where it is no separator.
        const bool forbidden = byte < 0x20 || byte >= 0x80 ||
                               std::string(":*?\"<>|&").find(c) != std::string::npos ||
                               (byte == '\\' && test::kAnyFileName);
        EXPECT_EQ(RefusedNames({"d/a" + c})[0].has_value(), forbidden) << byte;
    }
    const auto kCase = RefusalReason::kNameDiffersInCase, kNot = RefusalReason::kNameNotHeld;
    EXPECT_EQ(RefusedNames({"Data/A", "data/b", "DATA/a", "x|y", "", "\xC3\x84", "\xC3\xA4"}),
              (std::vector<std::optional<RefusalReason>>{kCase, {}, kCase, kNot, kNot, {}, {}}));
    // UTF-8: 4-byte and 3-byte forms pass; overlong, surrogate, past U+10FFFF, cut off do not.
    EXPECT_EQ(RefusedNames({"\xF0\x9F\x98\x80", "\xE2\x82\xAC", "\xC0\xAF", "\xED\xA0\x80",
                            "\xF4\x90\x80\x80", "a\xE2\x82"}),
              (std::vector<std::optional<RefusalReason>>{{}, {}, kNot, kNot, kNot, kNot}));
    // A file named as a folder of others, for the client or as a stored file: all of them.
    const auto kDir = RefusalReason::kNameIsAFolder;
    const std::vector<std::string_view> kTree = {"lib",  "Lib.aup/x", "LIB.AUP/y/z", "lib2/x",
                                                 "Data", "data/q",    "e.aup"};
    EXPECT_EQ(RefusedNames(kTree, ".aup"),
              (std::vector<std::optional<RefusalReason>>{kDir, kDir, kDir, {}, kDir, kDir, {}}));
    EXPECT_EQ(RefusedNames(kTree),
              (std::vector<std::optional<RefusalReason>>{{}, {}, {}, {}, kDir, kDir, {}}));
}

// A name can neither end nor forge a log line: control bytes, DEL and what
// is not UTF-8 are shown as \xHH, byte for byte; well-formed UTF-8 stays.
TEST(ClientNames, ShownNameEscapesEveryByteThatCouldBreakALine) {
    const std::pair<std::string_view, std::string_view> kCases[] = {
        {"Data/A.txt", "Data/A.txt"},
        {std::string_view("a\0b", 3), "a\\x00b"},
        {"x\nadded:y\r\t\x1b[2K\x1f\x7f~", "x\\x0aadded:y\\x0d\\x09\\x1b[2K\\x1f\\x7f~"},
        {"\xE2\x82\xAC\xF0\x9F\x98\x80\xC3\x84", "\xE2\x82\xAC\xF0\x9F\x98\x80\xC3\x84"},
        {"bad\xFF\xC0\xAF\xED\xA0\x80", "bad\\xff\\xc0\\xaf\\xed\\xa0\\x80"},
        {"cut\xE2\x82", "cut\\xe2\\x82"},
        {"\xE2\x82\xE2\x82\xAC", "\\xe2\\x82\xE2\x82\xAC"},
    };
    for (const auto& [name, shown] : kCases) {
        EXPECT_EQ(ShownName(name), shown) << name;
    }
}

TEST(NtfsOrder, IsUpperCasedThenRawByteOrderOnEveryPairOfShortNames) {
    const std::string kBytes = "aAzZ@[`{_.0~\x01\x7F\x80\xC3\xC4\xE1\xE4\xFF";
    // Every name of up to two bytes after its upper-cased form; std::string
    // compares bytes as unsigned.
    std::vector<std::pair<std::string, std::string>> keyed = {{"", ""}};
    for (std::size_t i = 0; i <= kBytes.size(); ++i) {
        for (const char c : kBytes) {
            const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
            keyed.emplace_back(keyed[i].first + upper, keyed[i].second + c);
        }
    }
    for (const auto& a : keyed) {
        for (const auto& b : keyed) {
            ASSERT_EQ(NtfsNameLess(a.second, b.second), a < b)
                << testing::PrintToString(a.second) << " / " << testing::PrintToString(b.second);
        }
    }
}

using Paths = std::vector<std::string>;

Paths Collect(const std::string& folder) {
    Paths files = {"kept"};  // appended to, never emptied
    CollectFiles(folder, files);
    return files;
}

TEST(CollectFiles, NestedHiddenAndLinkedTreeInNtfsOrderLoopsNamed) {
    const test::TempDir temp;
    const std::string r = temp.Path().lexically_normal().string();
    test::WriteFile(temp / "A", "x");
    // Case twins ("a" beside "A") only where the file system tells them apart.
    const bool caseBlind = std::filesystem::exists(temp / "a");
    for (const char* name : {"b", "_x", "a", ".hidden", "lib.old/README", "B/Inner1", "B/inner2",
                             "One/two/Three/four/FIVE/deep"}) {
        if (!caseBlind || (std::string_view(name) != "a" && std::string_view(name) != "b")) {
            test::WriteFile(temp / name, "x");
        }
    }
    std::filesystem::create_directories(temp.Path() / "empty/also");
    const bool links = test::MakeLink(temp.Path(), temp / "B/up", true) &&
                       test::MakeLink(temp / "lib.old", temp / "Shared", true) &&
                       test::MakeLink("nowhere", temp / "dangling");
    Paths expected = {"kept"};
    for (const char* name :
         {".hidden", "A", "a", "B/Inner1", "B/inner2", "b", "dangling", "lib.old/README",
          "One/two/Three/four/FIVE/deep", "Shared/README", "_x"}) {
        const bool twin = std::string_view(name) == "a" || std::string_view(name) == "b";
        if ((links || std::string_view(name).find_first_of("dS") != 0) && !(caseBlind && twin)) {
            expected.push_back(temp / name);
        }
    }
    EXPECT_EQ(Collect(r), expected);
    if (!links) {
        GTEST_SKIP() << "this system makes no symbolic links (Wine accepts and ignores them)";
    }
    // A folder above a given one is not entered, as a loop is not followed.
    Paths files;
    ScanReport report;
    CollectFiles(r, files, &report, ScanStops{FolderAndItsParents(temp / "One/two"), {}});
    EXPECT_EQ(report.loops, Paths{temp / "B/up"});
    EXPECT_EQ(report.stoppedAt, Paths{temp / "One"});
    EXPECT_EQ(report.linksFollowed, 2u);  // Shared, dangling
    EXPECT_EQ(files.size(), expected.size() - 2);
    EXPECT_EQ(Collect(r + "//./B/..//"), expected);
    EXPECT_EQ(Collect(temp / "missing"), Paths{"kept"});
}

// 0 when the scan of `dir`, without root's privileges, lists a/x and names
// the folder "locked" as unreadable.
int ScanUnprivileged(const test::TempDir& dir) {
    if (!test::GiveUpRoot()) {
        return 2;
    }
    std::vector<std::string> files;
    ScanReport report;
    CollectFiles(dir.Path().string(), files, &report);
    const UnreadableFolder named{dir / "locked", std::strerror(EACCES)};
    return files == std::vector<std::string>{dir / "a/x"} &&
                   report.unreadable == std::vector<UnreadableFolder>{named}
               ? 0
               : 1;
}

// A folder the scan cannot read is named, never silently left out. Root
// reads every folder, so as root the scan runs in a child that gave that up.
TEST(CollectFiles, UnreadableFolderIsNamed) {
    test::TempDir dir;
    std::filesystem::permissions(dir.Path(), std::filesystem::perms(0755));
    test::WriteFile(dir / "a/x", "x");
    test::WriteFile(dir / "locked/y", "y");
    if (!test::MakeUnreadable(dir / "locked")) {
        GTEST_SKIP() << "Wine does not enforce folder permissions";
    }
    EXPECT_EXIT(std::_Exit(ScanUnprivileged(dir)), testing::ExitedWithCode(0), "");
}

TEST(CollectFiles, PathsBeyondPathMaxAreListedWholeAndCanStartTheScan) {
    const test::TempDir temp;
    std::vector<std::string> levels;
    for (int level = 0; level < test::LevelsBeyondPathLimit(); ++level) {
        levels.emplace_back(240, static_cast<char>('a' + level));
    }
    const std::string bottom =
        test::MakeDeepFile(temp.Path().lexically_normal().string(), levels, "Bottom");
    const std::string folder = bottom.substr(0, bottom.size() - 7);
    EXPECT_EQ(Collect(temp.Path().string()), (Paths{"kept", bottom}));
    EXPECT_EQ(Collect(folder + "/"), (Paths{"kept", bottom}));
}

}  // namespace
}  // namespace kelvarin
