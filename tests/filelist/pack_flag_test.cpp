// The pack flag: the stem (name less its last 4 characters) against the
// exclusion entries and the ".mp3" extension, letters compared without case.
#include <gtest/gtest.h>

#include "filelist/pack_flag.h"

namespace kelvarin {
namespace {

int Pack(std::string_view name, const std::vector<std::string>& entries = {}) {
    return PackFlag(name, ExclusionList(entries));
}

TEST(ListStem, DropsTheLastFourCharacters) {
    EXPECT_EQ(ListStem("data\\a.txt.aup"), "data\\a.txt");
    EXPECT_EQ(ListStem("abcd"), "");
    EXPECT_EQ(ListStem("ab"), "ab");
    EXPECT_EQ(ListStem("abc"), "abc");
    EXPECT_EQ(ListStem(""), "");
}

TEST(StemExtension, TakesTheLastDotOfTheLastComponent) {
    EXPECT_EQ(StemExtension("music\\song.mp3"), ".mp3");
    EXPECT_EQ(StemExtension("music.mp3\\song"), "");
    EXPECT_EQ(StemExtension("a.b.c"), ".c");
    EXPECT_EQ(StemExtension("dir/x.mp3"), ".mp3");
    EXPECT_EQ(StemExtension("dir.x/y"), "");
    EXPECT_EQ(StemExtension(".mp3"), ".mp3");
    EXPECT_EQ(StemExtension("song."), ".");
}

TEST(PackFlag, ExclusionEntryMatchesTheStemWithoutCase) {
    EXPECT_EQ(Pack("data\\a.txt.aup", {"DATA\\A.TXT"}), 0);
    EXPECT_EQ(Pack("data\\a.txt.aup", {"data\\a.txt"}), 0);
    EXPECT_EQ(Pack("data\\a.txt.aup", {"other", "Data\\A.txt"}), 0);
}

TEST(PackFlag, EntryWithAupOrSlashDoesNotMatch) {
    EXPECT_EQ(Pack("data\\a.txt.aup", {"data\\a.txt.aup"}), 1);
    EXPECT_EQ(Pack("data\\a.txt.aup", {"data/a.txt"}), 1);
    EXPECT_EQ(Pack("data\\a.txt.aup", {"a.txt"}), 1);
    EXPECT_EQ(Pack("data\\a.txt.aup", {"data\\a.tx"}), 1);
    EXPECT_EQ(Pack("data\\a.txt.aup"), 1);
}

TEST(PackFlag, Mp3StemsAreNotPacked) {
    EXPECT_EQ(Pack("music\\song.mp3.aup"), 0);
    EXPECT_EQ(Pack("music\\song.MP3.aup"), 0);
    EXPECT_EQ(Pack("music\\song.mp3x.aup"), 1);
    EXPECT_EQ(Pack("music.mp3\\song.aup"), 1);
    // The stem of an unstored "song.mp3" is "song", whatever its own extension.
    EXPECT_EQ(Pack("song.mp3"), 1);
}

TEST(PackFlag, ShortNameIsItsOwnStem) {
    EXPECT_EQ(Pack("ab", {"AB"}), 0);
    EXPECT_EQ(Pack("ab", {"a"}), 1);
    EXPECT_EQ(Pack("abcd", {""}), 0);
}

TEST(PackFlag, OnlyAsciiLettersFoldCase) {
    // 0xC3 0x84 and 0xC3 0xA4 are two different letters in UTF-8; they must
    // not be taken as one.
    EXPECT_EQ(Pack("\xC3\x84.txt.aup", {"\xC3\xA4.txt"}), 1);
    EXPECT_EQ(Pack("[x].aup", {"{X}"}), 1);
    EXPECT_EQ(Pack("@.aup", {"`"}), 1);
}

TEST(PackFlag, EntryEndsAtAZeroByte) {
    EXPECT_EQ(Pack("abc.aup", {std::string("ABC\0def", 7)}), 0);
}

}  // namespace
}  // namespace kelvarin
