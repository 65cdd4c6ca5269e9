#include "tools/border.h"

#include "combine/combine.h"
#include "platform/picture.h"

#include <gtest/gtest.h>

using namespace mergola;

namespace {

constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kWhite = qRgb(255, 255, 255);

// Each pixel carries its own position, so an unchanged pixel is recognisable.
QRgb original(int x, int y)
{
    return qRgb(50 + x % 150, 60 + y % 150, 7);
}

Picture patterned(int w, int h)
{
    Picture p(w, h, qRgb(200, 200, 200));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setPixel(x, y, original(x, y));
    return p;
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

TEST(Border, FramesA320By240ResultWithBlackOutsideAndWhiteJustInside)
{
    Picture p = patterned(320, 240);
    drawBorder(p);
    EXPECT_EQ(p.pixel(0, 0), kBlack);
    EXPECT_EQ(p.pixel(319, 239), kBlack);
    EXPECT_EQ(p.pixel(319, 0), kBlack);
    EXPECT_EQ(p.pixel(0, 239), kBlack);
    EXPECT_EQ(p.pixel(160, 0), kBlack);
    EXPECT_EQ(p.pixel(0, 120), kBlack);
    EXPECT_EQ(p.pixel(1, 1), kWhite);
    EXPECT_EQ(p.pixel(318, 238), kWhite);
    EXPECT_EQ(p.pixel(160, 1), kWhite);
    EXPECT_EQ(p.pixel(318, 120), kWhite);
    EXPECT_EQ(p.pixel(2, 2), original(2, 2));
    EXPECT_EQ(p.pixel(317, 237), original(317, 237));
    EXPECT_EQ(p.pixel(160, 120), original(160, 120));
}

TEST(Border, DrawnTwiceGivesTheSamePixelsAsOnce)
{
    Picture once = patterned(17, 9);
    drawBorder(once);
    Picture twice = patterned(17, 9);
    drawBorder(twice);
    drawBorder(twice);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 17; ++x)
            ASSERT_EQ(twice.pixel(x, y), once.pixel(x, y)) << x << "," << y;
}

TEST(Border, MatchesThePixelRuleOnEverySmallSize)
{
    for (int h = 3; h <= 8; ++h) {
        for (int w = 3; w <= 8; ++w) {
            Picture p = patterned(w, h);
            drawBorder(p);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(p.pixel(x, y), framed(w, h, x, y)) << w << "x" << h << " at " << x << "," << y;
        }
    }
}

TEST(Border, PicturesWithoutRoomForTheInnerRingAreAllBlack)
{
    const int sizes[][2] = {{1, 1}, {2, 2}, {1, 7}, {7, 1}, {2, 7}, {7, 2}};
    for (const auto &size : sizes) {
        Picture p = patterned(size[0], size[1]);
        drawBorder(p);
        for (int y = 0; y < size[1]; ++y)
            for (int x = 0; x < size[0]; ++x)
                ASSERT_EQ(p.pixel(x, y), kBlack) << size[0] << "x" << size[1] << " at " << x << "," << y;
    }
}

TEST(Border, LeavesAPictureWithoutPixelsAlone)
{
    for (const auto &size : {QSize(0, 0), QSize(0, 5), QSize(5, 0)}) {
        Picture p(size.width(), size.height(), kWhite);
        drawBorder(p);
        EXPECT_EQ(p.width(), size.width());
        EXPECT_EQ(p.height(), size.height());
        EXPECT_FALSE(p.hasPixels());
    }
}

TEST(Border, AfterOnderElkaarRunsAroundTheWholeDoubleHeightPicture)
{
    Picture foto1(320, 240, kWhite);
    foto1.fillRect(0, 0, 319, 239, qRgb(10, 20, 30));
    Picture foto2(320, 240, qRgb(180, 250, 200));
    foto2.fillRect(0, 0, 319, 239, qRgb(40, 50, 60));
    Picture pict(0, 0, kWhite);
    ASSERT_TRUE(CombineResult(3, foto1, foto2, pict, 320, 240));
    drawBorder(pict);
    EXPECT_EQ(pict.pixel(0, 0), kBlack);
    EXPECT_EQ(pict.pixel(319, 479), kBlack);
    EXPECT_EQ(pict.pixel(1, 478), kWhite);
    EXPECT_EQ(pict.pixel(318, 478), kWhite);
    // No frame where the two halves meet: row 239 and 241 keep their
    // pictures, the separating row 240 keeps the background colour.
    EXPECT_EQ(pict.pixel(160, 239), qRgb(10, 20, 30));
    EXPECT_EQ(pict.pixel(160, 240), kWhite);
    EXPECT_EQ(pict.pixel(160, 241), qRgb(40, 50, 60));
    EXPECT_EQ(pict.pixel(2, 240), kWhite);
    EXPECT_EQ(pict.pixel(0, 240), kBlack);
    EXPECT_EQ(pict.pixel(1, 241), kWhite);
    EXPECT_EQ(pict.pixel(2, 241), qRgb(40, 50, 60));
}
