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
#include <bit>
#include <cstdint>
#include <cstring>

namespace mergola {

void ContrastFilter(FilterContext &context, std::int32_t parameter);
void ColdeptFilter(FilterContext &context, std::int32_t parameter);

// The pieces of the two filters, open for tests.
namespace contrast_detail {

// Mean of (blue + green + red) \ 3 over all pixels, truncated; 0 for none.
std::int32_t meanGreyLevel(const PixelView &view);

// (blue + green + red) \ 3 of one pixel, in a form the compiler turns into
// vector code for whole rows: the pixel read as one 32-bit word, and the
// division by 3 as a multiplication, exact for every sum up to 765.
constexpr std::uint32_t kThirdScale = 21846; // 65536 / 3, rounded up
constexpr int kThirdShift = 16;
constexpr bool thirdIsExact()
{
    for (std::uint32_t sum = 0; sum <= 3 * 255; ++sum)
        if ((sum * kThirdScale) >> kThirdShift != sum / 3)
            return false;
    return true;
}
static_assert(thirdIsExact());
static_assert(std::endian::native == std::endian::little, "a pixel's bytes read as a word, blue lowest");
[[gnu::always_inline]] inline std::uint32_t greyLevelAt(const std::uint8_t *pixel)
{
    std::uint32_t word;
    std::memcpy(&word, pixel, sizeof word);
    constexpr std::uint32_t kByte = 0xFF;
    const std::uint32_t sum = ((word >> (8 * kBlue)) & kByte) + ((word >> (8 * kGreen)) & kByte) +
                              ((word >> (8 * kRed)) & kByte);
    return (sum * kThirdScale) >> kThirdShift;
}

// Brings the levels of one pixel into 0..255 by handing each channel's
// excess or deficit on, halved, to the other two.
void balanceLevels(std::int32_t &blue, std::int32_t &green, std::int32_t &red);

// The twelve Stucki shares of an error e, each (weight * e) \ 42.
constexpr int kStuckiShares = 12;
using StuckiRow = std::array<std::int32_t, kStuckiShares>;
StuckiRow stuckiShares(std::int32_t error);

} // namespace contrast_detail

} // namespace mergola
