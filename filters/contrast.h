// Two filters that first measure the mean grey level m of the whole picture
// (the truncated average of (blue + green + red) \ 3 over all pixels) and
// then work relative to it. Both read SourceBuffer and write DestBuffer.
//
// ContrastFilter (p = 10 more contrast, -10 less): every channel level i
// becomes f * (i - m) + m with f = (100 + p) / 100; a channel pushed out of
// 0..255 hands half its excess or deficit on to the pixel's other two
// channels, so the colour balance is kept. Progress 0, 5, then
// 5 + (y * 95) \ H after each row, then 100.
//
// ColdeptFilter (p = 20): pure black and white by error diffusion with the
// Stucki weights, thresholding at m; p damps the error that reaches a pixel
// (it gets (error * 10) \ p). Progress 3, 10, then 10 + (y * 90) \ H after
// each row, then 100.
//
// A picture without pixels has no mean: both then change nothing and report
// their preparation steps and the final 100 only.
#pragma once

#include "filters/engine.h"

#include <array>
#include <cstdint>

namespace mergola {

void ContrastFilter(FilterContext &context, std::int32_t parameter);
void ColdeptFilter(FilterContext &context, std::int32_t parameter);

// The pieces of the two filters, open for tests.
namespace contrast_detail {

// Mean of (blue + green + red) \ 3 over all pixels, truncated; 0 for none.
std::int32_t meanGreyLevel(const PixelView &view);

// Brings the levels of one pixel into 0..255 by handing each channel's
// excess or deficit on, halved, to the other two.
void balanceLevels(std::int32_t &blue, std::int32_t &green, std::int32_t &red);

// The twelve Stucki shares of an error e, each (weight * e) \ 42.
constexpr int kStuckiShares = 12;
using StuckiRow = std::array<std::int32_t, kStuckiShares>;
StuckiRow stuckiShares(std::int32_t error);

} // namespace contrast_detail

} // namespace mergola
