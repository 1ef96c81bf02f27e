#pragma once
// The light scrambling of card comments. The mark "tSN" (positions 0-2) stays
// plain; from position 3 on, every byte 0x20-0x7F is shifted by 0, 1, 2 or 3 drawn
// from MT19937 seeded with the comment's length + 3571. Other bytes pass through
// and draw nothing. The viewer only descrambles; ScrambleComment authors comments
// (example image, test fixtures).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "card/MersenneTwister.h"

inline constexpr std::size_t kCommentMarkLength = 3;

// The generator the viewer descrambles with: one per thread, so that documents opened
// on several threads at once never share it. Every descrambling seeds it afresh.
MersenneTwister& CommentGenerator();

// The seed of a comment of `length` bytes, mark included.
inline std::uint32_t CommentSeed(std::size_t length) {
    return static_cast<std::uint32_t>(length + 3571);
}

// True for the bytes that take part in the scrambling (0x20-0x7F).
inline bool IsScrambledByte(char c) {
    return static_cast<signed char>(c) >= 32;
}

// The shift 0-3 for the next scrambled byte: the draw times 3, truncated.
inline int DrawShift(MersenneTwister& generator) {
    return static_cast<int>(generator.Next() * 3.0);
}

// Undoes `shift` on a scrambled byte c (0x20-0x7F). The result is 0x20-0x7F, or
// 0x1E for c = 0x20 with shift 3.
inline char DescrambleByte(char c, int shift) {
    int n = static_cast<signed char>(c) + 1 - shift;
    if (n == 31) {
        n = 127;
    } else if (n == 128) {
        n = 32;
    }
    return static_cast<char>(n);
}

// The scrambled byte that DescrambleByte turns back into `plain` (0x20-0x7F), or
// nothing when there is none (only '~' under shift 3).
std::optional<char> ScrambleByte(char plain, int shift);

// Descrambles `comment` (mark included) in place with `generator`.
void DescrambleComment(std::string& comment, MersenneTwister& generator);

// Scrambles a whole plain comment ("tSN|gen|TIT..."), mark kept. Fails only when a
// byte meets the one shift under which it has no scrambled form (a 2^-32 chance
// per byte).
std::optional<std::string> ScrambleComment(std::string_view plainComment);
