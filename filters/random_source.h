// The program's one random source, shared by Addnoise and Deffuse and never
// reseeded, so its sequence runs on from one filter run to the next.
// Each draw is a 32-bit float uniform in [0, 1): never negative, never 1.
#pragma once

#include <cstdint>

namespace mergola {

class RandomSource {
public:
    explicit RandomSource(std::uint64_t seed = 0x9E3779B97F4A7C15ull) : m_state(seed) {}

    float next()
    {
        // 24 random bits scaled by 2^-24: every value is exact in a float,
        // the largest is 1 - 2^-24, so no rounding can ever reach 1.0f.
        return static_cast<float>(nextBits() >> 40) * (1.0f / 16777216.0f);
    }

private:
    // splitmix64: small state, passes the usual statistical batteries.
    std::uint64_t nextBits()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t m_state;
};

} // namespace mergola
