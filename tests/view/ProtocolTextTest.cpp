#include "view/ProtocolText.h"

#include <gtest/gtest.h>

namespace {

TEST(MonthName, OutOfRangeGivesQuestionMarks) {
    EXPECT_EQ(MonthName(1), "Jan");
    EXPECT_EQ(MonthName(12), "Dec");
    for (int month : {0, 13, -1, -9, 1440})
        EXPECT_EQ(MonthName(month), "???") << month;
}

TEST(TwoPartForm, ShortStringsOverlap) {
    const std::pair<const char*, const char*> cases[] = {
        {"0100", "01.00"}, {"0110", "01.10"}, {"12345", "12.45"},
        {"7", "7.7"},      {"", "."},         {"ab", "ab.ab"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(TwoPartForm(in), out) << in;
}

TEST(DateForm, MonthArithmeticOnSignedBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"06122026", "06 Dec 2026"},
        {"01131999", "01 ??? 1999"},    // month 13
        {"0000", "00 ??? 0000"},        // month 0
        {"125", "12 Feb 125"},          // missing fourth byte counts as 0: 50 - 48
        {"31/12/1999", "31 ??? 1999"},  // '/' and '1': 10 * -1 + 1
        {"016\xFF"
         "1999",
         "01 Nov 1999"},  // 0xFF is -1 as a signed byte: 60 - 49
        {"", " ??? "},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(DateForm(in), out) << in;
}

}  // namespace
