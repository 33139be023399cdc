#include "encoding/cp949.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

TEST(Cp949, KoreanTextConvertsBothWays) {
    const std::string utf8 = "표준시 서버와 동기한적이 없습니다";
    std::optional<std::string> cp949 = encoding::Utf8ToCp949(utf8);
    ASSERT_TRUE(cp949.has_value());
    EXPECT_EQ(cp949->size(), 33u);
    EXPECT_EQ(encoding::Cp949ToUtf8(*cp949), utf8);
    // Microsoft's extended table, not IBM-949's.
    EXPECT_EQ(encoding::Utf8ToCp949("똠"), "\x8c\x63");
    EXPECT_EQ(encoding::Cp949ToUtf8("\x8c\x63"), "똠");
    EXPECT_EQ(encoding::Cp949ToUtf8(""), "");
}

TEST(Cp949, InvalidInputIsRefusedExactlyAndReplacedForDisplay) {
    EXPECT_FALSE(encoding::Cp949ToUtf8("a\xff"
                                       "b")
                     .has_value());
    EXPECT_FALSE(encoding::Cp949ToUtf8("\xc7").has_value());                          // cut in half
    EXPECT_FALSE(encoding::Utf8ToCp949("\xe2\x82\xac\xf0\x9f\x98\x80").has_value());  // no emoji in cp949
    EXPECT_EQ(encoding::Cp949ToUtf8Lossy("a\xff"
                                         "b\xc7\xa5"),
              "a\xef\xbf\xbd"
              "b표");
    EXPECT_EQ(encoding::Cp949ToUtf8Lossy("\xc7\xa5\xc7"), "표\xef\xbf\xbd");
}

// A command-line run shows only ASCII when nothing was ever synchronised; it must not pay for
// loading iconv's Korean tables (each test runs in a process of its own).
TEST(Cp949, AsciiAloneIsCopiedWithoutLoadingATable) {
    const std::string ascii = "time.example.kr\t0.25 \x01\x7f";
    EXPECT_EQ(encoding::Cp949ToUtf8(ascii), ascii);
    EXPECT_EQ(encoding::Utf8ToCp949(ascii), ascii);
    EXPECT_EQ(encoding::Cp949ToUtf8Lossy(ascii), ascii);
    std::ifstream maps("/proc/self/maps");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(maps), {}).find("gconv"), std::string::npos);
}

TEST(Cp949, LongTextCrossesTheConversionBuffer) {
    std::string utf8;
    for (int i = 0; i < 2000; ++i)
        utf8 += "일정";
    std::optional<std::string> cp949 = encoding::Utf8ToCp949(utf8);
    ASSERT_TRUE(cp949.has_value());
    EXPECT_EQ(cp949->size(), 8000u);
    EXPECT_EQ(encoding::Cp949ToUtf8(*cp949), utf8);
    EXPECT_EQ(encoding::Cp949ToUtf8Lossy(*cp949), utf8);
}

}  // namespace
