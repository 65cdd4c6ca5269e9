#include "tools/lens.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace mergola {

namespace {

// std::nearbyint in the default rounding mode sends halves to the even
// neighbour: 15.5 gives 16, 76.5 gives 76.
std::int16_t sourceLength(std::int16_t zoom, std::int16_t areaLength)
{
    return toLensCoordinate(static_cast<int>(std::nearbyint((1.0 / zoom) * areaLength)));
}

} // namespace

std::int16_t toLensCoordinate(int screenCoordinate)
{
    return static_cast<std::int16_t>(std::clamp<int>(screenCoordinate, std::numeric_limits<std::int16_t>::min(),
                                                     std::numeric_limits<std::int16_t>::max()));
}

LensSource lensSource(std::int16_t pointerX, std::int16_t pointerY, std::int16_t zoom, std::int16_t areaWidth,
                      std::int16_t areaHeight)
{
    zoom = std::clamp(zoom, kLensZoomMin, kLensZoomMax);
    LensSource source{};
    source.width = sourceLength(zoom, areaWidth);
    source.height = sourceLength(zoom, areaHeight);
    source.x = toLensCoordinate(pointerX - source.width / 2);
    source.y = toLensCoordinate(pointerY - source.height / 2);
    return source;
}

} // namespace mergola
