// Two area filters that move or average whole pixels.
//
// DeffuseFilter (p = 6): every pixel, in place in DestBuffer, takes the
// colour of a pixel up to about p / 2 steps away, picked with two draws from
// the program's random source. An offset that would leave the picture is
// dropped on that axis only; the two draws are made regardless. Working in
// place, colours can travel further downwards and to the right.
//
// PixelizeFilter (n = 3): square blocks of n x n pixels, aligned to the
// top-left corner, each painted with the truncated average of its pixels in
// SourceBuffer; edge blocks are cut by the picture's edge. n <= 0 (no block
// size) leaves the picture unchanged.
//
// Both report progress by the engine's convention.
#pragma once

#include "filters/engine.h"

#include <cstdint>

namespace mergola {

void DeffuseFilter(FilterContext &context, std::int32_t parameter);
void PixelizeFilter(FilterContext &context, std::int32_t parameter);

} // namespace mergola
