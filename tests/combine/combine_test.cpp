#include "combine/combine.h"

#include "platform/picture.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace mergola;
using mergola::testing::randomPicture;

namespace {

constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kBackground = qRgb(180, 250, 200);
constexpr QRgb kResultFill = qRgb(255, 255, 255);

// Plain per-pixel statement of the checkerboard: slot 2 where x + y is even,
// slot 1 where it is odd, the result's fill where the slot is too small; a
// slot without pixels takes part as a plain picture of its fill colour.
QRgb checkerboardReference(const Picture &foto1, const Picture &foto2, int x, int y)
{
    const Picture &slot = (x + y) % 2 == 0 ? foto2 : foto1;
    if (!slot.hasPixels())
        return slot.fillColor();
    return x < slot.width() && y < slot.height() ? slot.pixel(x, y) : kResultFill;
}

// The exclusive-or of two slots of the result's size, or of plain ones.
QRgb xorReference(const Picture &foto1, const Picture &foto2, int x, int y)
{
    const auto at = [&](const Picture &slot) { return slot.hasPixels() ? slot.pixel(x, y) : slot.fillColor(); };
    return (at(foto1) ^ at(foto2)) | 0xFF000000u; // the fourth byte stays opaque
}

Picture combined(std::int16_t mode, const Picture &foto1, const Picture &foto2, int width, int height)
{
    Picture pict(3, 2, kResultFill);
    EXPECT_TRUE(CombineResult(mode, foto1, foto2, pict, width, height));
    return pict;
}

} // namespace

TEST(CombineModes, TableHoldsTheThreeCaptionsAndCommandLineNames)
{
    const char *expected[][2] = {
        {"Door elkaar", "door-elkaar"}, {"Painting", "painting"}, {"Onder elkaar", "onder-elkaar"}};
    ASSERT_EQ(kCombineModes.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(kCombineModes[i].index, int(i) + 1);
        EXPECT_STREQ(kCombineModes[i].caption, expected[i][0]);
        EXPECT_EQ(kCombineModes[i].cliName, expected[i][1]);
    }
}

TEST(DoorElkaar, TakesEvenPositionsFromSlot2AndOddOnesFromSlot1AtAnySlotSize)
{
    unsigned seed = 7;
    // Small odd sizes in every combination, 320 x 240, and the working size
    // raised from 320 x 240 to 640 x 480 before the next load, and lowered again.
    std::vector<std::array<int, 6>> cases{
        {320, 240, 320, 240, 320, 240}, {640, 480, 320, 240, 320, 240}, {320, 240, 640, 480, 640, 480}};
    const int sizes[][2] = {{0, 0}, {1, 1}, {1, 5}, {5, 1}, {2, 3}, {7, 4}, {9, 9}};
    for (const auto &result : sizes)
        for (const auto &s1 : sizes)
            for (const auto &s2 : sizes)
                cases.push_back({result[0], result[1], s1[0], s1[1], s2[0], s2[1]});
    for (const auto &[width, height, w1, h1, w2, h2] : cases) {
        const Picture foto1 = randomPicture(w1, h1, ++seed);
        const Picture foto2 = randomPicture(w2, h2, ++seed, kBackground);
        const Picture pict = combined(1, foto1, foto2, width, height);
        ASSERT_EQ(pict.width(), width);
        ASSERT_EQ(pict.height(), height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(pict.pixel(x, y), checkerboardReference(foto1, foto2, x, y))
                    << "result " << width << "x" << height << " slot 1 " << w1 << "x" << h1 << " slot 2 " << w2
                    << "x" << h2 << " at " << x << "," << y;
    }
}

TEST(Painting, CombinesEachChannelByExclusiveOr)
{
    const QRgb cases[][3] = {
        {qRgb(255, 0, 0), qRgb(255, 255, 0), qRgb(0, 255, 0)},        // red with yellow gives green
        {qRgb(12, 200, 77), qRgb(255, 255, 255), qRgb(243, 55, 178)}, // white gives the negative
        {qRgb(0xA5, 0x0F, 0x3C), qRgb(0x5A, 0xF0, 0x3C), qRgb(0xFF, 0xFF, 0x00)},
    };
    for (const auto &[first, second, expected] : cases) {
        EXPECT_EQ(combined(2, Picture(4, 3, first), Picture(4, 3, second), 4, 3).image(),
                  Picture(4, 3, expected).image());
        EXPECT_EQ(combined(2, Picture(4, 3, second), Picture(4, 3, first), 4, 3).pixel(3, 2), expected);
    }

    // At equal size pixel for pixel; two identical slots give black; a slot
    // without pixels gives the other picture exclusive-or its plain colour.
    const Picture foto1 = randomPicture(9, 5, 11);
    const Picture foto2 = randomPicture(9, 5, 12, kBackground);
    const Picture empty(0, 0, kBackground);
    for (const auto &[a, b] : {std::pair{&foto1, &foto2}, std::pair{&foto1, &foto1}, std::pair{&foto1, &empty},
                               std::pair{&empty, &foto2}}) {
        const Picture pict = combined(2, *a, *b, 9, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(pict.pixel(x, y), xorReference(*a, *b, x, y)) << x << "," << y;
    }
    EXPECT_EQ(combined(2, foto1, foto1, 9, 5).image(), Picture(9, 5, qRgb(0, 0, 0)).image());
}

TEST(Painting, StretchesBothSlotsToTheWorkingSize)
{
    // Slot 1: red then blue at 2 x 1; slot 2: one green pixel. Doubled to
    // 4 x 2 each half covers two columns of every row.
    Picture foto1(2, 1, kWhite);
    foto1.setPixel(0, 0, qRgb(255, 0, 0));
    foto1.setPixel(1, 0, qRgb(0, 0, 255));
    const Picture pict = combined(2, foto1, Picture(1, 1, qRgb(0, 255, 0)), 4, 2);
    ASSERT_EQ(pict.image().size(), QSize(4, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(pict.pixel(x, y), x < 2 ? qRgb(255, 255, 0) : qRgb(0, 255, 255)) << x << "," << y;
}

TEST(OnderElkaar, PutsSlot1AboveABackgroundRowAboveSlot2WithoutItsLastRow)
{
    const Picture foto1 = randomPicture(320, 240, 3);
    const Picture foto2 = randomPicture(320, 240, 4, kBackground);
    const Picture pict = combined(3, foto1, foto2, 320, 240);
    ASSERT_EQ(pict.image().size(), QSize(320, 480));
    for (int y = 0; y < 480; ++y)
        for (int x : {0, 1, 160, 319})
            ASSERT_EQ(pict.pixel(x, y), y < 240 ? foto1.pixel(x, y) : y == 240 ? kResultFill : foto2.pixel(x, y - 241))
                << x << "," << y;

    // Slots of another size are stretched: 1 x 2 slots doubled to 2 x 4 halves.
    Picture small1(1, 2, kWhite);
    small1.setPixel(0, 1, qRgb(20, 0, 0));
    Picture small2(1, 2, qRgb(30, 0, 0));
    small2.setPixel(0, 1, qRgb(40, 0, 0));
    const Picture stretched = combined(3, small1, small2, 2, 4);
    ASSERT_EQ(stretched.image().size(), QSize(2, 8));
    const QRgb rows[] = {kWhite, kWhite, qRgb(20, 0, 0), qRgb(20, 0, 0), kResultFill, qRgb(30, 0, 0), qRgb(30, 0, 0),
                         qRgb(40, 0, 0)};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(stretched.pixel(x, y), rows[y]) << "row " << y;
}

TEST(CombineResult, BuildsTheResultFromThePlainFillsOfEmptySlots)
{
    // Slots that were cleared at the working size, and slots that never held pixels, take part alike.
    for (int side : {0, 6}) {
        const Picture foto1(side, side, kWhite);
        const Picture foto2(side, side, kBackground);
        const Picture checkerboard = combined(1, foto1, foto2, 6, 4);
        EXPECT_EQ(checkerboard.pixel(0, 0), kBackground);
        EXPECT_EQ(checkerboard.pixel(5, 2), kWhite);
        const QRgb xored = qRgb(255 ^ 180, 255 ^ 250, 255 ^ 200);
        EXPECT_EQ(combined(2, foto1, foto2, 6, 4).image(), Picture(6, 4, xored).image());
        const Picture stacked = combined(3, foto1, foto2, 6, 4);
        ASSERT_EQ(stacked.height(), 8);
        EXPECT_EQ(stacked.pixel(5, 3), kWhite);
        EXPECT_EQ(stacked.pixel(0, 5), kBackground);
        EXPECT_EQ(stacked.pixel(5, 7), kBackground);
    }
}

TEST(CombineResult, RebuildsFromNothingSoEarlierWorkIsGoneAndARepeatGivesTheSamePixels)
{
    const Picture foto1 = randomPicture(8, 6, 9);
    const Picture foto2 = randomPicture(5, 3, 10, kBackground);
    for (std::int16_t mode = 1; mode <= 3; ++mode) {
        const Picture first = combined(mode, foto1, foto2, 8, 6);
        Picture again = first;
        again.fillRect(0, 0, 7, 11, qRgb(1, 2, 3)); // work done on the result since
        ASSERT_TRUE(CombineResult(mode, foto1, foto2, again, 8, 6));
        EXPECT_EQ(again.image(), first.image()) << "mode " << mode;
    }
}

TEST(CombineResult, WithAnUnknownIndexOnlyClearsTheResultAtItsSize)
{
    const Picture foto = randomPicture(4, 4, 5);
    for (std::int16_t index : {0, 4, -1, 32767}) {
        Picture pict = randomPicture(3, 5, 6, kResultFill);
        ASSERT_TRUE(CombineResult(index, foto, foto, pict, 4, 4));
        EXPECT_EQ(pict.image(), Picture(3, 5, kResultFill).image()) << index;
    }
}

TEST(CombineResult, AWorkingSizeOfZeroGivesAResultWithoutPixels)
{
    const Picture foto(4, 4, kWhite);
    const Picture empty(0, 0, kWhite);
    const int cases[][5] = {{1, 0, 240, 0, 240}, {1, 320, 0, 320, 0}, {1, 0, 0, 0, 0},     {2, 0, 240, 0, 240},
                            {2, 320, 0, 320, 0}, {3, 0, 240, 0, 480}, {3, 320, 0, 320, 0}, {3, -5, -7, 0, 0}};
    for (const auto &[mode, width, height, expectedWidth, expectedHeight] : cases) {
        for (const Picture *slot : {&foto, &empty}) {
            const Picture pict = combined(std::int16_t(mode), *slot, foto, width, height);
            EXPECT_EQ(pict.width(), expectedWidth) << "mode " << mode;
            EXPECT_EQ(pict.height(), expectedHeight) << "mode " << mode;
            EXPECT_FALSE(pict.hasPixels());
        }
    }
}

TEST(CombineResult, ReportsAResultTooLargeForMemoryAndLeavesTheOldOneUntouched)
{
    const Picture foto(4, 4, kWhite);
    // Rows this wide cannot be addressed by the picture layer at all, and a
    // doubled height this large does not fit a 32-bit size.
    constexpr int kUnaddressableWidth = 70'000'000;
    constexpr int kHeightThatCannotDouble = 1'500'000'000;
    const int cases[][3] = {{1, kUnaddressableWidth, 1}, {2, kUnaddressableWidth, 1}, {3, kUnaddressableWidth, 1},
                            {3, 1, kHeightThatCannotDouble}};
    for (const auto &[mode, width, height] : cases) {
        Picture pict(3, 2, kResultFill);
        pict.setPixel(1, 1, qRgb(1, 2, 3));
        const QImage before = pict.image().copy();
        EXPECT_FALSE(CombineResult(std::int16_t(mode), foto, foto, pict, width, height)) << "mode " << mode;
        EXPECT_EQ(pict.image(), before);
    }
}
