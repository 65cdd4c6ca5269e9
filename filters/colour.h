// The colour filters: each changes every pixel from that pixel's own blue,
// green and red and the parameter alone. They report progress by the
// engine's convention (0, then (y * 100) \ H after each row y, then 100).
//
//   NegativeFilter   255 - value, in place in DestBuffer
//   GreyscaleFilter  (blue + green + red) \ 3 in all three, in place
//   LightDarkFilter  value * (100 + p) / 100, clamped (p = 8 lighter, -8 darker)
//   GammaFilter      255 * (value / 255) ^ (100 / p)  (p = 70)
//   SwapColorsFilter one of five channel permutations (p = 1..5; others: no change)
//   AddnoiseFilter   value + noise in -p..p + 1 per channel, from context.random
#pragma once

#include "filters/engine.h"

#include <cmath>
#include <cstdint>

namespace mergola {

void NegativeFilter(FilterContext &context, std::int32_t parameter);
void GreyscaleFilter(FilterContext &context, std::int32_t parameter);
void LightDarkFilter(FilterContext &context, std::int32_t parameter);
void GammaFilter(FilterContext &context, std::int32_t parameter);
void SwapColorsFilter(FilterContext &context, std::int32_t parameter);
void AddnoiseFilter(FilterContext &context, std::int32_t parameter);

namespace colour_detail {

// One channel level c with noise from a draw u in [0, 1):
// u * (2p + 1) - p + c, computed in double precision (so that no parameter
// can overflow 2p + 1), rounded to the nearest integer, halves to even,
// then clamped to 0..255.
inline int noisyLevel(float u, std::int32_t p, int c)
{
    constexpr double kMaxLevel = 255.0;
    const double level = std::nearbyint(double(u) * (2.0 * p + 1.0) - p + c);
    if (!(level >= 0.0))
        return 0;
    if (level > kMaxLevel)
        return int(kMaxLevel);
    return static_cast<int>(level);
}

} // namespace colour_detail

} // namespace mergola
