#include "card/Scrambler.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace {

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

// Descrambling written independently: the standard engine for the draws and the
// shift read from the tempered word's thresholds instead of floating point.
std::string ReferenceDescramble(std::string text) {
    std::ostringstream state;
    std::uint32_t word = static_cast<std::uint32_t>(text.size() + 3571);
    for (int i = 0; i < 624; ++i) {
        state << word << ' ';
        word *= 69069u;
    }
    state << 624;
    std::mt19937 engine;
    std::istringstream in(state.str());
    in >> engine;
    for (std::size_t i = 3; i < text.size(); ++i) {
        const int c = static_cast<signed char>(text[i]);
        if (c < 32) {
            continue;
        }
        const std::uint32_t y = engine();
        const int k = y < 0x55555555u ? 0 : y < 0xAAAAAAAAu ? 1 : y < 0xFFFFFFFFu ? 2 : 3;
        int n = c + 1 - k;
        n = n == 31 ? 127 : n == 128 ? 32 : n;
        text[i] = static_cast<char>(n);
    }
    return text;
}

std::string Descrambled(std::string text) {
    MersenneTwister generator;
    DescrambleComment(text, generator);
    return text;
}

TEST(Scrambler, EveryPrintableByteUnderEveryShiftComesBack) {
    for (int shift = 0; shift <= 3; ++shift) {
        for (int plain = 32; plain <= 127; ++plain) {
            SCOPED_TRACE(testing::Message() << "shift " << shift << " byte " << plain);
            const std::optional<char> c = ScrambleByte(static_cast<char>(plain), shift);
            if (plain == '~' && shift == 3) {
                EXPECT_FALSE(c.has_value());  // the one byte with no scrambled form
                continue;
            }
            ASSERT_TRUE(c.has_value());
            EXPECT_TRUE(IsScrambledByte(*c));
            EXPECT_EQ(DescrambleByte(*c, shift), static_cast<char>(plain));
        }
    }
}

TEST(Scrambler, DescrambleMatchesIndependentFormulation) {
    std::mt19937 noise(99);
    for (std::size_t length : {0u, 2u, 3u, 4u, 100u, 700u, 4096u}) {
        std::string text(length, ' ');
        for (char& c : text) {
            c = static_cast<char>(noise());
        }
        SCOPED_TRACE(length);
        EXPECT_EQ(Descrambled(text), ReferenceDescramble(text));
    }
    const std::string all = "tSN" + AllBytes() + AllBytes();
    EXPECT_EQ(Descrambled(all), ReferenceDescramble(all));
}

TEST(Scrambler, RoundTripKeepsMarkAndPassesOtherBytesThrough) {
    const std::string plain =
        "tSN|gen|TITTitle|LDEline one\r\nline two\x80\xE9\xFF|bca|NAMJos\xE9|end" + AllBytes();
    const std::optional<std::string> scrambled = ScrambleComment(plain);
    ASSERT_TRUE(scrambled.has_value());
    ASSERT_EQ(scrambled->size(), plain.size());
    EXPECT_EQ(scrambled->substr(0, 3), "tSN");
    EXPECT_NE(*scrambled, plain);
    for (std::size_t i = 3; i < plain.size(); ++i) {
        if (!IsScrambledByte(plain[i])) {
            EXPECT_EQ((*scrambled)[i], plain[i]) << "position " << i;
        }
    }
    EXPECT_EQ(Descrambled(*scrambled), plain);
    EXPECT_EQ(ReferenceDescramble(*scrambled), plain);
}

TEST(Scrambler, ShortCommentsAreLeftAlone) {
    for (std::string text : {"", "t", "tS", "tSN"}) {
        EXPECT_EQ(ScrambleComment(text), text);
        EXPECT_EQ(Descrambled(text), text);
    }
}

}  // namespace
