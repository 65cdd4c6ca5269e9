// The program's one random source, shared by Addnoise and Deffuse and never
// reseeded, so its sequence runs on from one filter run to the next.
// Each draw is a 32-bit float uniform in [0, 1): never negative, never 1.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mergola {

class RandomSource {
public:
    explicit RandomSource(std::uint64_t seed = 0x9E3779B97F4A7C15ull) : m_state(seed) {}

    float next()
    {
        // 24 random bits scaled by 2^-24: every value is exact in a float,
        // the largest is 1 - 2^-24, so no rounding can ever reach 1.0f.
        return static_cast<float>(nextSteps()) * (1.0f / float(kSteps));
    }

    // The same draw as next(), as the whole number k of k / 2^24.
    std::uint32_t nextSteps() { return static_cast<std::uint32_t>(nextBits() >> (64 - kStepBits)); }

    static constexpr int kStepBits = 24;
    static constexpr std::int64_t kSteps = std::int64_t(1) << kStepBits;

    // The next count draws, each as scaledDraw(nextSteps(), span, offset),
    // for |span| and |offset| below 2^27. Each draw hangs on its own
    // position in the sequence, not on the draw before, so they are formed
    // side by side in vectors; the values are those of count calls in turn.
    void scaledDraws(std::int32_t *out, std::size_t count, std::int64_t span, std::int64_t offset);

    // splitmix64's step and mix: draw n (counted from 1) after a state s is
    // mixBits(s + n * kGolden), and the state moves on by kGolden a draw.
    static constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15ull;
    static std::uint64_t mixBits(std::uint64_t z)
    {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

private:
    // splitmix64: small state, passes the usual statistical batteries.
    std::uint64_t nextBits() { return mixBits(m_state += kGolden); }

    std::uint64_t m_state;
};

// rint(u * span - offset), halves to even, for the draw u = steps / 2^24,
// in whole numbers. For |span| and |offset| below 2^27 that expression is
// exact in double (24 bits of the draw times at most 27 of the span), so
// this gives the same value as the floating-point formula without its
// conversions and rounding.
inline std::int64_t scaledDraw(std::uint32_t steps, std::int64_t span, std::int64_t offset)
{
    const std::int64_t product = std::int64_t(steps) * span;
    // Arithmetic shift and mask: the floor and the remainder in [0, 2^24).
    const std::int64_t whole = (product >> RandomSource::kStepBits) - offset;
    const std::int64_t rest = product & (RandomSource::kSteps - 1);
    // Up when the rest is over a half, or a half and whole is odd: then
    // rest + (whole & 1) + half - 1 reaches 2^24. In arithmetic, not as a
    // branch, which would go either way at random.
    constexpr std::int64_t half = RandomSource::kSteps / 2;
    return whole + ((rest + (whole & 1) + half - 1) >> RandomSource::kStepBits);
}

} // namespace mergola
