#include "tools/border.h"

#include "platform/picture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace mergola;

namespace {

constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kWhite = qRgb(255, 255, 255);

// Each pixel carries its own position, so an unchanged pixel is recognisable.
QRgb original(int x, int y)
{
    return qRgb(50 + x % 150, 60 + y % 150, 7);
}

// The frame stated pixel by pixel: the outermost ring black, the ring
// inside it white, everything else untouched.
QRgb framed(int w, int h, int x, int y)
{
    if (x == 0 || y == 0 || x == w - 1 || y == h - 1)
        return kBlack;
    if (x == 1 || y == 1 || x == w - 2 || y == h - 2)
        return kWhite;
    return original(x, y);
}

} // namespace

TEST(Border, FramesEverySizeWithBlackOutsideAndWhiteJustInsideAndTwiceIsOnce)
{
    // Every small size, those without room for the white ring or without
    // pixels included, and results of one and of two pictures one under the other.
    std::vector<std::pair<int, int>> sizes{{320, 240}, {320, 480}, {0, 5}, {5, 0}};
    for (int h = 0; h <= 8; ++h)
        for (int w = 1; w <= 8; ++w)
            sizes.emplace_back(w, h);
    for (auto [w, h] : sizes) {
        Picture p(w, h, qRgb(200, 200, 200));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                p.setPixel(x, y, original(x, y));
        for (int times = 1; times <= 2; ++times) {
            drawBorder(p);
            ASSERT_EQ(QSize(p.width(), p.height()), QSize(w, h));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(p.pixel(x, y), framed(w, h, x, y)) << w << "x" << h << " at " << x << "," << y;
        }
    }
}
