#include "platform/Win1252.h"

#include <gtest/gtest.h>

TEST(Win1252Test, EveryByteComesBackFromItsUtf8) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(all)), all);
}

TEST(Win1252Test, RefusesWhatTheCodePageCannotHold) {
    struct Case {
        std::string utf8;
        std::string refused;
    };
    const Case cases[] = {
        {"caf\xC3\xA9 \xE4\xB8\xAD", "U+4E2D"},  // CJK
        {"\xC2\x80", "U+0080"},                  // a C1 control the code page maps elsewhere
        {"\xF0\x9F\x98\x80", "U+1F600"},         // outside the BMP
        {"\xC0\x80", "invalid UTF-8"},           // overlong NUL
        {"\xED\xA0\x80", "invalid UTF-8"},       // surrogate
        {"ab\xE2\x82", "invalid UTF-8"},         // cut short
        {"\xA9", "invalid UTF-8"},               // a Windows-1252 byte, not UTF-8
    };
    for (const Case& c : cases) {
        std::string refused;
        EXPECT_EQ(Utf8ToWin1252(c.utf8, &refused), std::nullopt) << c.utf8;
        EXPECT_EQ(refused, c.refused) << c.utf8;
    }
}
