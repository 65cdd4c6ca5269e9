// Emboss, Engrave, Contour and Relief: relief and line pictures made by
// comparing each pixel with its neighbours, channel by channel (blue, green,
// red; channel 4 is not touched). The colour parameter of the first three
// is packed as red + 256 * green + 65536 * blue; it is split once at the
// start and each channel adds the byte of its own colour as offset k.
//
//   EmbossFilter   min(255, |A - B + k|)   A = P(x, y), B = P(x + 1, y + 1)
//   EngraveFilter  min(255, |B - A + k|)
//       over rows 1..H-1 and columns 1..W-1 (counted from 1): the last row
//       and column keep their values. In place in DestBuffer; B is never
//       written before it is read, so the result is that of the unchanged
//       picture.
//   ContourFilter  clamp(8 * C - S + k), S the sum of the eight neighbours
//   ReliefFilter   clamp((C + D) \ 2 + 50), D = 2 * upper-left + left + up
//                  - right - down - 2 * lower-right; no parameter
//       over the inner pixels, reading SourceBuffer; the one-pixel border
//       keeps its values.
// \ truncates toward zero; clamp limits to 0..255.
//
// Progress: 0 at the start, (y * 100) \ H after each row y of the filter's
// range, 100 at the end. A picture too short for the range gets no row
// pass; one too narrow gets its row passes but no change.
#pragma once

#include "filters/engine.h"

#include <cstdint>

namespace mergola {

void EmbossFilter(FilterContext &context, std::int32_t colour);
void EngraveFilter(FilterContext &context, std::int32_t colour);
void ContourFilter(FilterContext &context, std::int32_t colour);
void ReliefFilter(FilterContext &context, std::int32_t parameter);

} // namespace mergola
