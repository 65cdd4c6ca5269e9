// Aqua: an edge-preserving smoothing that flattens texture inside areas and
// keeps the boundaries between them sharp.
//
// Around each pixel (x, y) lie four overlapping 3 x 3 blocks that all hold
// the pixel: 1 upper left (columns x-2..x, rows y-2..y), 2 upper right,
// 3 lower left, 4 lower right. For every channel on its own (blue, green,
// red; channel 4 is not touched) each block has a mean, its nine values'
// sum \ 9 (rounded down), and a spread, the sum of |value - mean| over its
// nine values. The pixel takes the mean of the block with the smallest
// spread; on equal spreads the lower-numbered block wins. The three
// channels of a pixel may take their values from different blocks.
//
// Reads SourceBuffer and writes DestBuffer, so the scan order does not
// matter. The two outermost rows and columns on every side keep their
// values; the parameter is ignored. Progress: 0, then (y * 100) \ H after
// each row y from 3 to H - 2 (counted from 1), then 100. A picture under 5
// rows gets no row pass; one under 5 columns gets its row passes but no
// change.
#pragma once

#include "filters/engine.h"

#include <cstdint>

namespace mergola {

void AquaFilter(FilterContext &context, std::int32_t parameter);

} // namespace mergola
