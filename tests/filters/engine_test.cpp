#include "filters/engine.h"

#include <gtest/gtest.h>

namespace mergola {
namespace {

TEST(SplitColor, UnpacksRedGreenBlueFromThePackedColour)
{
    const SplitRgb cyan = SplitColor(16776960);
    EXPECT_EQ(cyan.red, 0);
    EXPECT_EQ(cyan.green, 255);
    EXPECT_EQ(cyan.blue, 255);
    const SplitRgb darkCyan = SplitColor(7895040);
    EXPECT_EQ(darkCyan.red, 0);
    EXPECT_EQ(darkCyan.green, 120);
    EXPECT_EQ(darkCyan.blue, 120);
}

} // namespace
} // namespace mergola
