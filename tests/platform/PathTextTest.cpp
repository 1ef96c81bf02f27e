#include "platform/PathText.h"

#include <gtest/gtest.h>

namespace {

struct Utf8Case {
    const char* name;
    std::string bytes;
    bool valid;
};

class Utf8Validity : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Validity, DecidesHowAPathIsRead) {
    EXPECT_EQ(IsValidUtf8(GetParam().bytes), GetParam().valid) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8Validity,
    ::testing::Values(
        Utf8Case{"Ascii", "/home/ada/pyrite.jpg", true}, Utf8Case{"TwoBytes", "jos\xC3\xA9", true},
        Utf8Case{"ThreeBytes", "\xE2\x82\xAC", true},
        Utf8Case{"FourBytes", "\xF0\x9F\x98\x80", true}, Utf8Case{"Latin1Byte", "jos\xE9", false},
        Utf8Case{"CutSequence", "ab\xE2\x82", false}, Utf8Case{"LoneContinuation", "\x80", false},
        Utf8Case{"OverlongSlash", "\xC0\xAF", false},
        Utf8Case{"OverlongThreeBytes", "\xE0\x80\xAF", false},
        Utf8Case{"Surrogate", "\xED\xA0\x80", false},
        Utf8Case{"BeyondUnicode", "\xF4\x90\x80\x80", false},
        Utf8Case{"BadSecondContinuation", "\xE2\x82\x41", false}),
    [](const ::testing::TestParamInfo<Utf8Case>& info) { return std::string(info.param.name); });

TEST(PathText, ValidUtf8StaysOtherwiseEachByteIsWindows1252) {
    EXPECT_EQ(PathToUtf8("/home/jos\xC3\xA9/pyrite.jpg"), "/home/jos\xC3\xA9/pyrite.jpg");
    EXPECT_EQ(PathToUtf8("/home/jos\xE9/pyrite.jpg"), "/home/jos\xC3\xA9/pyrite.jpg");
    // One invalid byte makes the whole name Windows-1252, valid sequences included.
    EXPECT_EQ(PathToUtf8("\xC3\xA9\x80"), "\xC3\x83\xC2\xA9\xE2\x82\xAC");
}

TEST(PathText, JsonQuotingKeepsTheContractsEscapes) {
    EXPECT_EQ(JsonQuotePath("a\"b\\c\td\x01/jos\xC3\xA9"),
              "\"a\\\"b\\\\c\\td\\u0001/jos\xC3\xA9\"");
    EXPECT_EQ(JsonQuotePath("jos\xE9\n"), "\"jos\xC3\xA9\\n\"");
}

}  // namespace
