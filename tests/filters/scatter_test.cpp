#include "filters/scatter.h"

#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace mergola {
namespace {

using testing::Bgr;
using testing::FilterHarness;

// Plain references from the rules, positions counted from 1. Deffuse takes
// its draws from the picture's own copy of the random source.
FilterHarness referenceDeffuse(FilterHarness picture, int p)
{
    RandomSource &draws = picture.random;
    const double half = std::nearbyint(p / 2.0);
    for (int y = 1; y <= picture.height(); ++y) {
        for (int x = 1; x <= picture.width(); ++x) {
            long long dx = (long long)std::nearbyint(double(draws.next()) * p - half);
            long long dy = (long long)std::nearbyint(double(draws.next()) * p - half);
            if (x + dx < 1 || x + dx > picture.width())
                dx = 0;
            if (y + dy < 1 || y + dy > picture.height())
                dy = 0;
            picture.set(x - 1, y - 1, picture.get(int(x + dx - 1), int(y + dy - 1)));
        }
    }
    return picture;
}

FilterHarness referencePixelize(FilterHarness picture, int n)
{
    if (n < 1)
        return picture;
    const FilterHarness source = picture;
    Bgr colour{0, 0, 0};
    for (int y = 1; y <= picture.height(); ++y) {
        for (int x = 1; x <= picture.width(); ++x) {
            if ((x - 1) % n == 0) {
                const int x0 = ((x - 1) / n) * n + 1;
                const int y0 = ((y - 1) / n) * n + 1;
                long long b = 0, g = 0, r = 0, count = 0;
                for (int by = y0; by <= y0 + n - 1 && by <= picture.height(); ++by)
                    for (int bx = x0; bx <= x0 + n - 1 && bx <= picture.width(); ++bx, ++count) {
                        b += source.get(bx - 1, by - 1).blue;
                        g += source.get(bx - 1, by - 1).green;
                        r += source.get(bx - 1, by - 1).red;
                    }
                colour = {int(b / count), int(g / count), int(r / count)};
            }
            picture.set(x - 1, y - 1, colour);
        }
    }
    return picture;
}

TEST(DeffuseFilter, ASecondRunUsesFreshDraws)
{
    FilterHarness harness(20, 20);
    harness.randomize(1);
    const FilterHarness original = harness;
    harness.run(DeffuseFilter, 6);
    const std::vector<std::uint8_t> first = harness.dest;
    harness.dest = original.dest;
    harness.run(DeffuseFilter, 6);
    EXPECT_NE(harness.dest, first);
}

TEST(PixelizeFilter, CutsTheEdgeBlocksOfASevenByFivePicture)
{
    FilterHarness harness(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            harness.set(x, y, {0, 10 * x + y, 100 + 20 * y + x});
    harness.set(2, 2, {8, 22, 142}); // the ninth pixel of the first block
    harness.run(PixelizeFilter, 3);
    // Blocks of columns 1-3, 4-6, 7 and rows 1-3, 4-5 (counted from 1).
    const Bgr expected[2][3] = {{{0, 11, 121}, {0, 41, 124}, {0, 61, 126}}, {{0, 13, 171}, {0, 43, 174}, {0, 63, 176}}};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(harness.get(x, y), expected[y / 3][x / 3]) << x << "," << y;
}

TEST(ScatterFilters, MatchThePlainReferenceWithTheSameDrawsTwoForEveryPixelOfDeffuse)
{
    const auto pictures = testing::randomPictures({{1, 1}, {1, 7}, {7, 1}, {13, 9}}, 500);
    for (int p : {6, 5, 2, 1, 0, -6, 40})
        testing::expectAsReference(DeffuseFilter, p, pictures, [p](FilterHarness h) { return referenceDeffuse(h, p); });
    // Blocks of one or less give the picture back.
    for (int n : {1, 2, 3, 5, 40, 0, -3})
        testing::expectAsReference(PixelizeFilter, n, pictures,
                                   [n](FilterHarness h) { return referencePixelize(h, n); });
}

} // namespace
} // namespace mergola
