#include "writer/CardScrambling.h"

#include <gtest/gtest.h>

#include "card/Scrambler.h"

namespace {

std::string Descrambled(std::string comment) {
    MersenneTwister generator;
    DescrambleComment(comment, generator);
    return comment;
}

TEST(CardScrambling, EveryPrintableByteAtManyPositionsComesBack) {
    for (std::size_t length = 4; length < 400; length += 7) {
        for (int first = 0x20; first <= 0x7F; first += 5) {
            std::string plain = "tSN";
            for (std::size_t i = 3; i < length; ++i)
                plain += char(0x20 + (first + i * 31) % 96);
            const std::optional<std::string> scrambled = ScrambleCardComment(plain);
            ASSERT_TRUE(scrambled);
            EXPECT_EQ(Descrambled(*scrambled), plain);
        }
    }
}

// The only byte without a scrambled form is '~' under shift 3. A comment of 113,351
// bytes draws shift 3 for its byte 19,332 (draw 19,329 after the mark).
TEST(CardScrambling, AByteWithoutAFormIsPaddedNotChanged) {
    std::string plain = "tSN|TIT" + std::string(113351 - 7, 'x');
    plain[3 + 19329] = '~';
    ASSERT_FALSE(ScrambleComment(plain));
    const std::optional<std::string> scrambled = ScrambleCardComment(plain, 200000);
    ASSERT_TRUE(scrambled);
    EXPECT_GT(scrambled->size(), plain.size());
    const std::string back = Descrambled(*scrambled);
    EXPECT_EQ(back.substr(back.find('|')), plain.substr(3));
    EXPECT_EQ(back.find_first_not_of(' ', 3), back.find('|'));
    EXPECT_FALSE(ScrambleCardComment(plain, plain.size()));
}

}  // namespace
