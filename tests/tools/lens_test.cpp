#include "tools/lens.h"

#include <gtest/gtest.h>

using namespace mergola;

namespace {

constexpr std::int16_t kAreaWidth = 155; // the lens box's drawing area
constexpr std::int16_t kAreaHeight = 88;

} // namespace

TEST(LensSource, DividesTheAreaByTheZoomHalvesToEvenAndCentresOnThePointer)
{
    // 155 / 10 = 15.5 goes up to 16, 88 / 10 = 8.8 to 9; the corner lies
    // 16 div 2 = 8 left of and 9 div 2 = 4 above the pointer.
    EXPECT_EQ(lensSource(400, 300, 10, kAreaWidth, kAreaHeight), (LensSource{392, 296, 16, 9}));
    // Magnification 1 shows the area's own size around the pointer.
    EXPECT_EQ(lensSource(400, 300, 1, kAreaWidth, kAreaHeight), (LensSource{323, 256, 155, 88}));
    // 155 / 2 = 77.5 goes up to 78 but 153 / 2 = 76.5 down to 76.
    EXPECT_EQ(lensSource(0, 0, 2, 155, 153), (LensSource{-39, -38, 78, 76}));
    // 155 / 3 = 51.67 and 88 / 3 = 29.33 go to the nearest whole number.
    EXPECT_EQ(lensSource(100, 100, 3, kAreaWidth, kAreaHeight), (LensSource{74, 86, 52, 29}));
    // A zoom outside the scroll bar's range is taken at its nearest end.
    EXPECT_EQ(lensSource(400, 300, 0, kAreaWidth, kAreaHeight), lensSource(400, 300, 1, kAreaWidth, kAreaHeight));
    EXPECT_EQ(lensSource(400, 300, 11, kAreaWidth, kAreaHeight), lensSource(400, 300, 10, kAreaWidth, kAreaHeight));
}

TEST(LensSource, KeepsCoordinatesInSixteenBitsWithoutWrappingAround)
{
    EXPECT_EQ(toLensCoordinate(40000), 32767);
    EXPECT_EQ(toLensCoordinate(-40000), -32768);
    EXPECT_EQ(toLensCoordinate(-5), -5);
    EXPECT_EQ(lensSource(-32768, 32767, 1, kAreaWidth, kAreaHeight), (LensSource{-32768, 32723, 155, 88}));
}
