// The exact bytes of the list file's lines.
#include <gtest/gtest.h>

#include "filelist/list_format.h"

namespace kelvarin {
namespace {

Md5Digest Counting() {
    Md5Digest digest;
    for (std::size_t i = 0; i < digest.size(); ++i) {
        digest[i] = static_cast<std::uint8_t>(i * 17);
    }
    return digest;
}

TEST(ListFormat, HeadAndEnd) {
    std::string text;
    AppendListHead(text, 0);
    AppendListEnd(text);
    EXPECT_EQ(text, "<root count=\"0\">\n</root>");

    text.clear();
    AppendListHead(text, 50000);
    EXPECT_EQ(text, "<root count=\"50000\">\n");
}

TEST(ListFormat, ElementHasFourSpacesHexDigestsAndOneLineFeed) {
    ListedFile file;
    file.name = "data\\a.txt.aup";
    file.pack = 1;
    file.length = 10;
    file.md5 = Counting();
    file.md5x = Counting();
    std::string text;
    AppendFileElement(text, file);
    EXPECT_EQ(text,
              "    <file name=\"data\\a.txt.aup\" pack=\"1\" length=\"10\" "
              "md5=\"00112233445566778899aabbccddeeff\" "
              "md5x=\" 00 11 22 33 44 55 66 77 88 99 aa bb cc dd ee ff\" />\n");
}

TEST(ListFormat, NameIsWrittenWithoutEscaping) {
    ListedFile file;
    file.name = "a&b<c>\"d'.aup";
    file.pack = 0;
    std::string text;
    AppendFileElement(text, file);
    EXPECT_EQ(text.substr(0, 38), "    <file name=\"a&b<c>\"d'.aup\" pack=\"0");
}

TEST(ListFormat, LengthIsSigned) {
    ListedFile file;
    file.name = "x";
    file.length = -2147483647 - 1;
    std::string text;
    AppendFileElement(text, file);
    EXPECT_NE(text.find("length=\"-2147483648\""), std::string::npos);
}

}  // namespace
}  // namespace kelvarin
