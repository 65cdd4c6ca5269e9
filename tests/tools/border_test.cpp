#include "tools/border.h"

#include "combine/combine.h"
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
    // Every small size, those without room for the white ring included, and a 320 x 240 result.
    std::vector<std::pair<int, int>> sizes{{320, 240}};
    for (int h = 1; h <= 8; ++h)
        for (int w = 1; w <= 8; ++w)
            sizes.emplace_back(w, h);
    for (auto [w, h] : sizes) {
        Picture p(w, h, qRgb(200, 200, 200));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                p.setPixel(x, y, original(x, y));
        for (int times = 1; times <= 2; ++times) {
            drawBorder(p);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(p.pixel(x, y), framed(w, h, x, y)) << w << "x" << h << " at " << x << "," << y;
        }
    }
}

TEST(Border, LeavesAPictureWithoutPixelsAlone)
{
    for (const auto &size : {QSize(0, 0), QSize(0, 5), QSize(5, 0)}) {
        Picture p(size.width(), size.height(), kWhite);
        drawBorder(p);
        EXPECT_EQ(QSize(p.width(), p.height()), size);
        EXPECT_FALSE(p.hasPixels());
    }
}

TEST(Border, AfterOnderElkaarRunsAroundTheWholeDoubleHeightPicture)
{
    Picture pict(0, 0, kWhite);
    const Picture foto1(320, 240, qRgb(10, 20, 30));
    ASSERT_TRUE(CombineResult(3, foto1, Picture(320, 240, qRgb(40, 50, 60)), pict, 320, 240));
    drawBorder(pict);
    EXPECT_EQ(pict.pixel(0, 0), kBlack);
    EXPECT_EQ(pict.pixel(319, 479), kBlack);
    EXPECT_EQ(pict.pixel(0, 240), kBlack);
    EXPECT_EQ(pict.pixel(1, 478), kWhite);
    EXPECT_EQ(pict.pixel(318, 478), kWhite);
    EXPECT_EQ(pict.pixel(1, 241), kWhite);
    // No frame where the two halves meet: rows 239 and 241 keep their
    // pictures, the separating row 240 keeps the background colour.
    EXPECT_EQ(pict.pixel(160, 239), qRgb(10, 20, 30));
    EXPECT_EQ(pict.pixel(2, 240), kWhite);
    EXPECT_EQ(pict.pixel(160, 240), kWhite);
    EXPECT_EQ(pict.pixel(2, 241), qRgb(40, 50, 60));
}
