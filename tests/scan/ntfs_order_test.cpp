// The order of entries inside a folder, which fixes the order of every scan,
// log and file list.
#include "scan/ntfs_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kelvarin {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NtfsNameLess(a, b); });
    return names;
}

TEST(NtfsOrder, LettersCompareAsUpperCaseThenRawBytes) {
    // '_' (0x5F) sorts after 'Z' (0x5A) once letters are upper-cased; "A"
    // and "a" fold equal and the raw byte puts 'A' (0x41) first.
    EXPECT_EQ(Sorted({"a", "B", "_x", "b", "A"}),
              (std::vector<std::string>{"A", "a", "B", "b", "_x"}));
}

TEST(NtfsOrder, PunctuationBetweenUpperAndLowerCaseSortsAfterLetters) {
    // '[' '\' ']' '^' '_' '`' lie between 'Z' and 'a' in ASCII; plain
    // strcmp would put them before every lower-case name.
    EXPECT_EQ(Sorted({"[1]", "zeta", "`q", "Alpha", "^up", "beta"}),
              (std::vector<std::string>{"Alpha", "beta", "zeta", "[1]", "^up", "`q"}));
}

TEST(NtfsOrder, ShorterPrefixComesFirst) {
    EXPECT_EQ(Sorted({"abc", "AB", "a", "ab.txt"}),
              (std::vector<std::string>{"a", "AB", "ab.txt", "abc"}));
}

TEST(NtfsOrder, DigitsAndDotsBeforeLetters) {
    EXPECT_EQ(Sorted({"b", "a.txt", "a-b", "a_b", "a0", "A"}),
              (std::vector<std::string>{"A", "a-b", "a.txt", "a0", "a_b", "b"}));
}

TEST(NtfsOrder, NonAsciiBytesCompareUnfoldedAfterAscii) {
    // UTF-8 "É" (C3 89) and "é" (C3 A9) are not folded; both follow '~'.
    EXPECT_EQ(Sorted({"\xC3\xA9", "~", "\xC3\x89", "z"}),
              (std::vector<std::string>{"z", "~", "\xC3\x89", "\xC3\xA9"}));
}

TEST(NtfsOrder, NamesDifferingOnlyInCaseOrderByRawBytes) {
    EXPECT_EQ(Sorted({"readme", "README", "ReadMe", "rEADME"}),
              (std::vector<std::string>{"README", "ReadMe", "rEADME", "readme"}));
}

TEST(NtfsOrder, IsAStrictOrder) {
    const std::vector<std::string> names = {"", "a", "A", "_", "Z", "z", "ab", "aB", "\xFF"};
    for (const std::string& a : names) {
        EXPECT_FALSE(NtfsNameLess(a, a)) << a;
        for (const std::string& b : names) {
            if (a != b) {
                EXPECT_NE(NtfsNameLess(a, b), NtfsNameLess(b, a)) << a << " / " << b;
            }
        }
    }
}

}  // namespace
}  // namespace kelvarin
