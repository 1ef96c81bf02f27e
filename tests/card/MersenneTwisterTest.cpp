#include "card/MersenneTwister.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace {

// An independent MT19937 holding the 624 words the 69069 rule gives for `seed`,
// positioned so that its next draw regenerates, as ours does after Seed.
std::mt19937 ReferenceSeededBy69069(std::uint32_t seed) {
    std::ostringstream state;
    std::uint32_t word = seed;
    for (int i = 0; i < MersenneTwister::kStateSize; ++i) {
        state << word << ' ';
        word *= 69069u;
    }
    state << MersenneTwister::kStateSize;
    std::mt19937 reference;
    std::istringstream in(state.str());
    in >> reference;
    EXPECT_FALSE(in.fail());
    return reference;
}

void ExpectSameStream(MersenneTwister& ours, std::mt19937& reference, int draws) {
    for (int i = 0; i < draws; ++i) {
        const std::uint32_t expected = reference();
        ASSERT_EQ(ours.Next(), static_cast<double>(expected) * 2.3283064370807974e-10)
            << "draw " << i;
    }
}

TEST(MersenneTwister, SeededStreamMatchesStandardEngineAcrossRegenerations) {
    for (std::uint32_t seed : {0u, 1u, 3571u + 4096u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(seed);
        MersenneTwister ours;
        ours.Seed(seed);
        std::mt19937 reference = ReferenceSeededBy69069(seed);
        ExpectSameStream(ours, reference, 3 * MersenneTwister::kStateSize + 17);
    }
}

TEST(MersenneTwister, NeverSeededStartsFrom4357) {
    MersenneTwister ours;
    std::mt19937 reference = ReferenceSeededBy69069(4357);
    ExpectSameStream(ours, reference, 2000);
}

TEST(MersenneTwister, ReseedRestartsTheStreamMidBlock) {
    MersenneTwister ours;
    ours.Seed(42);
    for (int i = 0; i < 100; ++i) {
        ours.Next();
    }
    ours.Seed(7);
    std::mt19937 reference = ReferenceSeededBy69069(7);
    ExpectSameStream(ours, reference, 700);
}

}  // namespace
