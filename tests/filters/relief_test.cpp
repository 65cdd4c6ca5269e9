#include "filters/relief.h"

#include "filters/filter_menu.h"
#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace mergola {
namespace {

using testing::Bgr;
using testing::FilterHarness;

// Channel offsets of a packed colour, blue, green, red, worked out here
// from the packing itself rather than through the code under test.
std::vector<int> offsets(std::int32_t colour)
{
    return {(colour / 65536) % 256, (colour / 256) % 256, colour % 256};
}

// Emboss (sign 1) or Engrave (sign -1) literally in place, pixel by pixel.
auto referenceDiagonal(int sign, std::int32_t colour)
{
    return [sign, k = offsets(colour)](FilterHarness p) {
        for (int y = 0; y + 1 < p.height(); ++y)
            for (int x = 0; x + 1 < p.width(); ++x)
                for (int c = 0; c < 3; ++c)
                    p.at(x, y, c) =
                        std::uint8_t(std::min(255, std::abs(sign * (p.at(x, y, c) - p.at(x + 1, y + 1, c)) + k[c])));
        return p;
    };
}

// Contour (relief = false) or Relief over the inner pixels, from a copy.
auto referenceInner(bool relief, std::int32_t colour)
{
    return [relief, k = offsets(colour)](FilterHarness p) {
        const FilterHarness s = p;
        for (int y = 1; y + 1 < p.height(); ++y)
            for (int x = 1; x + 1 < p.width(); ++x)
                for (int c = 0; c < 3; ++c) {
                    const auto at = [&](int dx, int dy) { return s.channel(x + dx, y + dy, c); };
                    const int d = 2 * at(-1, -1) + at(-1, 0) + at(0, -1) - at(1, 0) - at(0, 1) - 2 * at(1, 1);
                    int neighbours = -at(0, 0);
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            neighbours += at(dx, dy);
                    const int value = relief ? (at(0, 0) + d) / 2 + 50 : 8 * at(0, 0) - neighbours + k[c];
                    p.at(x, y, c) = std::uint8_t(std::clamp(value, 0, 255));
                }
        return p;
    };
}

TEST(Emboss, DarkPixelAboveABrightDiagonalNeighbourTakesTheMenuColourShift)
{
    FilterHarness emboss(2, 2, 0);
    emboss.setAll(1, 1, 200);
    FilterHarness engrave = emboss;
    emboss.run(EmbossFilter, kDarkCyan);
    engrave.run(EngraveFilter, kDarkCyan);
    EXPECT_EQ(emboss.get(0, 0), (Bgr{80, 80, 200}));
    EXPECT_EQ(engrave.get(0, 0), (Bgr{255, 255, 200}));
}

TEST(Relief, MovesFlatAreasHalfwayTowards100)
{
    FilterHarness mixed(3, 3);
    mixed.fill({0, 255, 100});
    mixed.run(ReliefFilter, 0);
    EXPECT_EQ(mixed.get(1, 1), (Bgr{50, 177, 100}));
}

TEST(ReliefFilters, MatchAPlainReferenceOnRandomPicturesOfOddSizes)
{
    // Pictures too small for the filters' ranges, which change nothing, and
    // widths that leave the rows of 16-pixel chunks empty, exactly full, and with a leftover.
    const auto pictures = testing::randomPictures(
        {{1, 1}, {5, 1}, {1, 4}, {2, 2}, {2, 5}, {6, 2}, {3, 3}, {7, 5}, {17, 4}, {18, 4}, {34, 5}}, 77);
    for (std::int32_t colour : {kDarkCyan, kCyan, 0, 16777215, 255 + 256 * 3 + 65536 * 128, 65536 * 255}) {
        testing::expectAsReference(EmbossFilter, colour, pictures, referenceDiagonal(1, colour));
        testing::expectAsReference(EngraveFilter, colour, pictures, referenceDiagonal(-1, colour));
        testing::expectAsReference(ContourFilter, colour, pictures, referenceInner(false, colour));
        testing::expectAsReference(ReliefFilter, colour, pictures, referenceInner(true, colour));
    }
}

} // namespace
} // namespace mergola
