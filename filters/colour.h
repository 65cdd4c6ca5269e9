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

#include <cstdint>

namespace mergola {

void NegativeFilter(FilterContext &context, std::int32_t parameter);
void GreyscaleFilter(FilterContext &context, std::int32_t parameter);
void LightDarkFilter(FilterContext &context, std::int32_t parameter);
void GammaFilter(FilterContext &context, std::int32_t parameter);
void SwapColorsFilter(FilterContext &context, std::int32_t parameter);
void AddnoiseFilter(FilterContext &context, std::int32_t parameter);

} // namespace mergola
