#include "combine/combine.h"

#include "platform/picture.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace mergola;
using mergola::testing::randomPicture;

namespace {

constexpr QRgb kWhite = qRgb(255, 255, 255); // the fill of slot 1 and of the result
constexpr QRgb kBackground = qRgb(180, 250, 200);

// A slot without pixels takes part as a plain picture of its fill colour.
QRgb at(const Picture &slot, int x, int y) { return slot.hasPixels() ? slot.pixel(x, y) : slot.fillColor(); }

// Each mode stated per pixel for slots of the working size (or without
// pixels). The checkerboard takes slot 2 where x + y is even, slot 1 where it
// is odd, and the result's fill where the slot is too small.
QRgb reference(int mode, const Picture &foto1, const Picture &foto2, int height, int x, int y)
{
    if (mode == 1) {
        const Picture &slot = (x + y) % 2 == 0 ? foto2 : foto1;
        return !slot.hasPixels() || (x < slot.width() && y < slot.height()) ? at(slot, x, y) : kWhite;
    }
    if (mode == 2)
        return (at(foto1, x, y) ^ at(foto2, x, y)) | 0xFF000000u; // the fourth byte stays opaque
    // Slot 1 above a row of the result's fill above slot 2 without its last row.
    return y < height ? at(foto1, x, y) : y == height ? kWhite : at(foto2, x, y - height - 1);
}

Picture combined(std::int16_t mode, const Picture &foto1, const Picture &foto2, int width, int height)
{
    Picture pict(3, 2, kWhite);
    pict.setPixel(1, 1, qRgb(1, 2, 3)); // earlier work on the result, which a combine discards
    EXPECT_TRUE(CombineResult(mode, foto1, foto2, pict, width, height));
    return pict;
}

void expectReference(int mode, const Picture &foto1, const Picture &foto2, int width, int height)
{
    const Picture pict = combined(std::int16_t(mode), foto1, foto2, width, height);
    ASSERT_EQ(QSize(pict.width(), pict.height()), QSize(width, mode == 3 ? 2 * height : height));
    for (int y = 0; y < pict.height(); ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(pict.pixel(x, y), reference(mode, foto1, foto2, height, x, y))
                << "mode " << mode << " result " << width << "x" << height << " slots " << foto1.width() << "x"
                << foto1.height() << ", " << foto2.width() << "x" << foto2.height() << " at " << x << "," << y;
}

} // namespace

TEST(CombineResult, EachModeFollowsItsRuleForLoadedSlotsAndThePlainFillsOfEmptyOnes)
{
    const Picture empty1(0, 0, kWhite), empty2(0, 0, kBackground), cleared2(9, 5, kBackground);
    const Picture foto1 = randomPicture(9, 5, 11), foto2 = randomPicture(9, 5, 12, kBackground);
    for (int mode = 1; mode <= 3; ++mode)
        for (const auto &[a, b] : {std::pair{&foto1, &foto2}, {&foto1, &foto1}, {&foto1, &empty2}, {&empty1, &foto2},
                                   {&empty1, &cleared2}})
            expectReference(mode, *a, *b, 9, 5);
    expectReference(3, randomPicture(320, 240, 3), randomPicture(320, 240, 4, kBackground), 320, 240);

    const QRgb painted[][3] = {
        {qRgb(255, 0, 0), qRgb(255, 255, 0), qRgb(0, 255, 0)},        // red with yellow gives green
        {qRgb(12, 200, 77), qRgb(255, 255, 255), qRgb(243, 55, 178)}, // white gives the negative
    };
    for (const auto &[first, second, expected] : painted)
        EXPECT_EQ(combined(2, Picture(4, 3, first), Picture(4, 3, second), 4, 3).image(), Picture(4, 3, expected).image());
}

TEST(DoorElkaar, TakesSlotPixelsUnscaledAtAnySlotSize)
{
    unsigned seed = 7;
    // Small odd sizes in every combination, and the working size raised from
    // 320 x 240 to 640 x 480 before the next load, and lowered again.
    std::vector<std::array<int, 6>> cases{{640, 480, 320, 240, 320, 240}, {320, 240, 640, 480, 640, 480}};
    const int sizes[][2] = {{0, 0}, {1, 1}, {1, 5}, {5, 1}, {2, 3}, {7, 4}, {9, 9}};
    for (const auto &result : sizes)
        for (const auto &s1 : sizes)
            for (const auto &s2 : sizes)
                cases.push_back({result[0], result[1], s1[0], s1[1], s2[0], s2[1]});
    for (const auto &[width, height, w1, h1, w2, h2] : cases) {
        seed += 2;
        expectReference(1, randomPicture(w1, h1, seed), randomPicture(w2, h2, seed + 1, kBackground), width, height);
    }
}

TEST(CombineResult, PaintingAndOnderElkaarStretchEachSlotToTheWorkingSize)
{
    // Slot 1 red then blue at 2 x 1 and slot 2 one green pixel, doubled to 4 x 2.
    Picture foto1(2, 1, kWhite);
    foto1.setPixel(0, 0, qRgb(255, 0, 0));
    foto1.setPixel(1, 0, qRgb(0, 0, 255));
    const Picture pict = combined(2, foto1, Picture(1, 1, qRgb(0, 255, 0)), 4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(pict.pixel(x, y), x < 2 ? qRgb(255, 255, 0) : qRgb(0, 255, 255)) << x << "," << y;

    // 1 x 2 slots doubled to 2 x 4 halves.
    Picture small1(1, 2, kWhite);
    small1.setPixel(0, 1, qRgb(20, 0, 0));
    Picture small2(1, 2, qRgb(30, 0, 0));
    small2.setPixel(0, 1, qRgb(40, 0, 0));
    const Picture stacked = combined(3, small1, small2, 2, 4);
    const QRgb rows[] = {kWhite, kWhite, qRgb(20, 0, 0), qRgb(20, 0, 0), kWhite, qRgb(30, 0, 0), qRgb(30, 0, 0),
                         qRgb(40, 0, 0)};
    ASSERT_EQ(stacked.height(), 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(stacked.pixel(x, y), rows[y]) << "row " << y;
}

TEST(CombineResult, AnUnknownIndexOnlyClearsTheResultAndAWorkingSizeOfZeroGivesNoPixels)
{
    const Picture foto = randomPicture(4, 4, 5);
    for (std::int16_t index : {0, 4, -1, 32767}) {
        Picture pict = randomPicture(3, 5, 6, kWhite);
        ASSERT_TRUE(CombineResult(index, foto, foto, pict, 4, 4));
        EXPECT_EQ(pict.image(), Picture(3, 5, kWhite).image()) << index;
    }
    const int cases[][5] = {{1, 0, 240, 0, 240}, {1, 320, 0, 320, 0}, {2, 0, 240, 0, 240},
                            {3, 0, 240, 0, 480}, {3, 320, 0, 320, 0}, {3, -5, -7, 0, 0}};
    for (const auto &[mode, width, height, expectedWidth, expectedHeight] : cases) {
        for (const Picture &slot : {foto, Picture(0, 0, kWhite)}) {
            const Picture pict = combined(std::int16_t(mode), slot, foto, width, height);
            EXPECT_EQ(QSize(pict.width(), pict.height()), QSize(expectedWidth, expectedHeight)) << "mode " << mode;
        }
    }
}

TEST(CombineResult, ReportsAResultTooLargeForMemoryAndLeavesTheOldOneUntouched)
{
    const Picture foto(4, 4, kWhite);
    // Rows this wide cannot be addressed by the picture layer at all, and a
    // doubled height this large does not fit a 32-bit size.
    constexpr int kUnaddressableWidth = 70'000'000;
    const int cases[][3] = {{1, kUnaddressableWidth, 1}, {2, kUnaddressableWidth, 1}, {3, kUnaddressableWidth, 1},
                            {3, 1, 1'500'000'000}};
    for (const auto &[mode, width, height] : cases) {
        Picture pict(3, 2, kWhite);
        pict.setPixel(1, 1, qRgb(1, 2, 3));
        const QImage before = pict.image().copy();
        EXPECT_FALSE(CombineResult(std::int16_t(mode), foto, foto, pict, width, height)) << "mode " << mode;
        EXPECT_EQ(pict.image(), before);
    }
}
