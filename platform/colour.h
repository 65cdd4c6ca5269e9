// Colours as the program passes them around.
//
// A "packed" colour is red + 256 * green + 65536 * blue in a 32-bit integer,
// the form in which filter parameters and the background colour travel.
// Pictures store QRgb (0xAARRGGBB); these helpers convert between the two.
#pragma once

#include <QRgb>
#include <cstdint>

namespace mergola {

constexpr std::int32_t packColor(int red, int green, int blue)
{
    return red + 256 * green + 65536 * blue;
}

constexpr QRgb packedToRgb(std::int32_t packed)
{
    return qRgb(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF);
}

constexpr std::int32_t rgbToPacked(QRgb rgb)
{
    return packColor(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

} // namespace mergola
