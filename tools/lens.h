// The magnifier lens's arithmetic: which rectangle of the screen a lens
// frame shows. Pure, so the numbers can be checked without a screen.
//
// Every value is a signed 16-bit number, as the lens has always counted.
#pragma once

#include <cstdint>

namespace mergola {

constexpr std::int16_t kLensZoomMin = 1;
constexpr std::int16_t kLensZoomMax = 10;
constexpr std::int16_t kLensZoomStart = 3;

struct LensSource {
    std::int16_t x, y, width, height;
    bool operator==(const LensSource &) const = default;
};

// The screen rectangle around the pointer (pointerX, pointerY) that fills
// a lens drawing area of areaWidth x areaHeight at magnification zoom:
// the area divided by zoom, halves rounded to the even neighbour, with the
// pointer in its middle (half the size, remainder dropped, left and above).
// A zoom outside 1..10 is taken as the nearest end of that range.
LensSource lensSource(std::int16_t pointerX, std::int16_t pointerY, std::int16_t zoom, std::int16_t areaWidth,
                      std::int16_t areaHeight);

// A screen coordinate as a 16-bit value: beyond the range it sticks at the
// end rather than wrapping to the other side of the screen.
std::int16_t toLensCoordinate(int screenCoordinate);

} // namespace mergola
