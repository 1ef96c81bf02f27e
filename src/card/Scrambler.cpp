#include "card/Scrambler.h"

MersenneTwister& CommentGenerator() {
    thread_local MersenneTwister generator;
    return generator;
}

std::optional<char> ScrambleByte(char plain, int shift) {
    const int p = static_cast<signed char>(plain);
    int c = p - 1 + shift;
    // Undo the two wraps of DescrambleByte: 128 became 32, 31 became 127.
    if (p == 32 && shift == 0) {
        c = 127;
    } else if (p == 127 && shift >= 2) {
        c = 30 + shift;
    }
    if (c < 32 || c > 127 || DescrambleByte(static_cast<char>(c), shift) != plain) {
        return std::nullopt;
    }
    return static_cast<char>(c);
}

void DescrambleComment(std::string& comment, MersenneTwister& generator) {
    generator.Seed(CommentSeed(comment.size()));
    for (std::size_t i = kCommentMarkLength; i < comment.size(); ++i) {
        if (IsScrambledByte(comment[i])) {
            comment[i] = DescrambleByte(comment[i], DrawShift(generator));
        }
    }
}

std::optional<std::string> ScrambleComment(std::string_view plainComment) {
    std::string scrambled(plainComment);
    MersenneTwister generator;
    generator.Seed(CommentSeed(scrambled.size()));
    for (std::size_t i = kCommentMarkLength; i < scrambled.size(); ++i) {
        if (!IsScrambledByte(scrambled[i])) {
            continue;
        }
        const std::optional<char> c = ScrambleByte(scrambled[i], DrawShift(generator));
        if (!c) {
            return std::nullopt;
        }
        scrambled[i] = *c;
    }
    return scrambled;
}
