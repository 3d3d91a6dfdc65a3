// Published names (the names of the file list, exclude.list and the stored
// tree) and the names the client refuses.
#include "scan/published_name.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvarin {
namespace {

using namespace std::string_literals;

TEST(PublishedName, LowerCasesAsciiAndWritesBackslashes) {
    EXPECT_EQ(PublishedName("Data/A.TXT"), "data\\a.txt");
    EXPECT_EQ(PublishedName("README"), "readme");
    EXPECT_EQ(PublishedName("a/b/c/d/e/F.dat"), "a\\b\\c\\d\\e\\f.dat");
}

TEST(PublishedName, OnlyAsciiLettersChange) {
    // '@' and '[' border 'A' and 'Z'; UTF-8 "Ä" (C3 84) must stay as it is.
    EXPECT_EQ(PublishedName("@[Z]_\xC3\x84~"), "@[z]_\xC3\x84~");
    EXPECT_EQ(PublishedName(""), "");
}

TEST(PublishedName, KeepsEveryByteCountAndPosition) {
    const std::string path = "Lib.Old/Sub Dir/x.y.Z";
    const std::string name = PublishedName(path);
    ASSERT_EQ(name.size(), path.size());
    EXPECT_EQ(name, "lib.old\\sub dir\\x.y.z");
}

TEST(ClientCanHoldName, OrdinaryPathsAreHeld) {
    EXPECT_TRUE(ClientCanHoldName("Data/A.TXT"));
    EXPECT_TRUE(ClientCanHoldName(".hidden/lib.old/README"));
    EXPECT_TRUE(ClientCanHoldName("with space/~tilde_[x] (1)+#%&'=;,!@$^`{}"));
    EXPECT_TRUE(ClientCanHoldName("utf8/\xE6\x96\x87\xE4\xBB\xB6.txt"));
    EXPECT_TRUE(ClientCanHoldName("del\x7F"));
}

TEST(ClientCanHoldName, RefusesEachCharacterWindowsForbids) {
    for (const char c : std::string("\\:*?\"<>|")) {
        EXPECT_FALSE(ClientCanHoldName("dir/a"s + c + "b")) << c;
        EXPECT_FALSE(ClientCanHoldName("d"s + c + "/file")) << c;
    }
}

TEST(ClientCanHoldName, RefusesControlBytes) {
    for (int byte = 0; byte < 0x20; ++byte) {
        std::string path = "dir/ab";
        path[4] = static_cast<char>(byte);
        EXPECT_FALSE(ClientCanHoldName(path)) << byte;
    }
    EXPECT_TRUE(ClientCanHoldName("dir/a b"));
}

}  // namespace
}  // namespace kelvarin
