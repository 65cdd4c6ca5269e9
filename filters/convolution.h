// Sharpen, Blur and Edge: running 3 x 3 filters over the inner pixels.
//
// They work in place in DestBuffer, rows top to bottom and columns left to
// right, reading the eight neighbours as they stand at that moment: the
// upper-left, upper, upper-right and left neighbours already hold their new
// values, so the effect trails down and to the right. This is deliberate and
// differs from convolving an unchanged copy. SourceBuffer is not read. The
// outermost rows and columns keep their values; channel 4 is not touched.
//
// Per channel, with C the centre and S the sum of the eight neighbours:
//   SharpenFilter (p = 2)  clamp((C * (p + 24) - 2 * S) \ (p + 8))
//   EdgeFilter    (p = 1)  clamp((C * (p + 9) - S) \ (p + 1))
//   BlurFilter             S \ 8   (the parameter is ignored)
// \ truncates toward zero; clamp limits to 0..255. The centre weight minus
// the neighbour weights equals the divisor, so a flat area keeps its value.
// The result is the exact value of the formula for every parameter, with no
// 32-bit overflow however large p is. A parameter whose divisor is 0
// (Sharpen p = -8, Edge p = -1) has no meaning: the picture is left
// unchanged and progress goes from 0 straight to 100.
//
// Progress: 0 at the start, (y * 100) \ H after each inner row y (counted
// from 1, so rows 2 to H - 1), 100 at the end. A picture under 3 rows gets
// no row pass; one under 3 columns gets its row passes but no change.
#pragma once

#include "filters/engine.h"

#include <cstdint>

namespace mergola {

void SharpenFilter(FilterContext &context, std::int32_t parameter);
void BlurFilter(FilterContext &context, std::int32_t parameter);
void EdgeFilter(FilterContext &context, std::int32_t parameter);

} // namespace mergola
