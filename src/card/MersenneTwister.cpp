#include "card/MersenneTwister.h"

namespace {
constexpr int kShift = 397;
constexpr std::uint32_t kMatrixA = 0x9908B0DFu;
constexpr std::uint32_t kUpperMask = 0x80000000u;
constexpr std::uint32_t kLowerMask = 0x7FFFFFFFu;

std::uint32_t Twist(std::uint32_t upper, std::uint32_t lower, std::uint32_t far) {
    const std::uint32_t y = (upper & kUpperMask) | (lower & kLowerMask);
    return far ^ (y >> 1) ^ ((y & 1u) ? kMatrixA : 0u);
}
}  // namespace

void MersenneTwister::Seed(std::uint32_t seed) {
    m_state[0] = seed;
    for (int i = 1; i < kStateSize; ++i) {
        m_state[i] = 69069u * m_state[i - 1];
    }
    m_index = kStateSize;
}

void MersenneTwister::Regenerate() {
    if (m_index == kNeverSeeded) {
        Seed(kDefaultSeed);
    }
    int k = 0;
    for (; k < kStateSize - kShift; ++k) {
        m_state[k] = Twist(m_state[k], m_state[k + 1], m_state[k + kShift]);
    }
    for (; k < kStateSize - 1; ++k) {
        m_state[k] = Twist(m_state[k], m_state[k + 1], m_state[k + kShift - kStateSize]);
    }
    m_state[kStateSize - 1] = Twist(m_state[kStateSize - 1], m_state[0], m_state[kShift - 1]);
    m_index = 0;
}
