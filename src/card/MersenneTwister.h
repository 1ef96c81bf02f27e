#pragma once
// The descrambling generator: MT19937 in its 1998 form (seeding by the 69069
// multiplier, doubles in [0, 1]). Card comments were scrambled with exactly this
// sequence, so every detail here is part of the file format.

#include <array>
#include <cstdint>

class MersenneTwister {
public:
    static constexpr int kStateSize = 624;
    static constexpr std::uint32_t kDefaultSeed = 4357;  // used when Next runs unseeded

    // word 0 = seed, word i = 69069 * word i-1 (mod 2^32); the next draw regenerates.
    void Seed(std::uint32_t seed);
    // The next tempered word scaled to [0, 1]; 1.0 only for 0xFFFFFFFF.
    double Next() { return static_cast<double>(NextWord()) * 2.3283064370807974e-10; }
    // The next tempered 32-bit word (what Next scales).
    std::uint32_t NextWord() {
        if (m_index >= kStateSize) {
            Regenerate();
        }
        std::uint32_t y = m_state[m_index++];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9D2C5680u;
        y ^= (y << 15) & 0xEFC60000u;
        y ^= y >> 18;
        return y;
    }

    const std::array<std::uint32_t, kStateSize>& State() const { return m_state; }

private:
    static constexpr int kNeverSeeded = kStateSize + 1;

    // Seeds with kDefaultSeed first when never seeded; then refills all 624 words.
    void Regenerate();

    std::array<std::uint32_t, kStateSize> m_state{};
    int m_index = kNeverSeeded;
};
