#include "combine/combine.h"

#include "platform/picture.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace mergola;

namespace {

constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kBackground = qRgb(180, 250, 200);
constexpr QRgb kResultFill = qRgb(255, 255, 255);

// Every pixel distinct and tagged with its slot, so a test can tell where a
// result pixel came from.
Picture tagged(int w, int h, int slot, QRgb fill)
{
    Picture p(w, h, fill);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setPixel(x, y, qRgb(x % 256, y % 256, slot * 100 + (x / 256) * 10 + y / 256));
    return p;
}

Picture randomPicture(int w, int h, QRgb fill, std::mt19937 &random)
{
    Picture p(w, h, fill);
    std::uniform_int_distribution<int> channel(0, 255);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setPixel(x, y, qRgb(channel(random), channel(random), channel(random)));
    return p;
}

Picture plain(int w, int h, QRgb colour)
{
    return Picture(w, h, colour);
}

// Plain per-pixel statement of the checkerboard: slot 2 where x + y is
// even, slot 1 where it is odd, the result's fill where the slot is too small.
QRgb checkerboardReference(const Picture &foto1, const Picture &foto2, QRgb fill, int x, int y)
{
    const Picture &slot = (x + y) % 2 == 0 ? foto2 : foto1;
    if (x < slot.width() && y < slot.height())
        return slot.pixel(x, y);
    return fill;
}

void expectEveryPixelOpaque(const Picture &p)
{
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            ASSERT_EQ(qAlpha(p.pixel(x, y)), 255) << "fourth byte changed at " << x << "," << y;
}

} // namespace

TEST(CombineModes, TableHoldsTheThreeCaptionsAndCommandLineNames)
{
    ASSERT_EQ(kCombineModes.size(), 3u);
    EXPECT_EQ(kCombineModes[0].index, 1);
    EXPECT_STREQ(kCombineModes[0].caption, "Door elkaar");
    EXPECT_EQ(kCombineModes[0].cliName, "door-elkaar");
    EXPECT_EQ(kCombineModes[1].index, 2);
    EXPECT_STREQ(kCombineModes[1].caption, "Painting");
    EXPECT_EQ(kCombineModes[1].cliName, "painting");
    EXPECT_EQ(kCombineModes[2].index, 3);
    EXPECT_STREQ(kCombineModes[2].caption, "Onder elkaar");
    EXPECT_EQ(kCombineModes[2].cliName, "onder-elkaar");
}

TEST(DoorElkaar, TakesEvenPositionsFromSlot2AndOddOnesFromSlot1)
{
    const Picture foto1 = tagged(320, 240, 1, kWhite);
    const Picture foto2 = tagged(320, 240, 2, kBackground);
    Picture pict(0, 0, kResultFill);
    ASSERT_TRUE(CombineResult(1, foto1, foto2, pict, 320, 240));
    ASSERT_EQ(pict.width(), 320);
    ASSERT_EQ(pict.height(), 240);
    EXPECT_EQ(pict.pixel(0, 0), foto2.pixel(0, 0));
    EXPECT_EQ(pict.pixel(2, 0), foto2.pixel(2, 0));
    EXPECT_EQ(pict.pixel(1, 1), foto2.pixel(1, 1));
    EXPECT_EQ(pict.pixel(1, 0), foto1.pixel(1, 0));
    EXPECT_EQ(pict.pixel(0, 1), foto1.pixel(0, 1));
    EXPECT_EQ(pict.pixel(319, 239), foto2.pixel(319, 239));
    EXPECT_EQ(pict.pixel(318, 239), foto1.pixel(318, 239));
    expectEveryPixelOpaque(pict);
}

TEST(DoorElkaar, MatchesAPlainReferenceForSlotsOfAnySize)
{
    std::mt19937 random(7);
    const int sizes[][2] = {{1, 1}, {1, 5}, {5, 1}, {2, 3}, {7, 4}, {4, 7}, {9, 9}};
    for (const auto &result : sizes) {
        for (const auto &s1 : sizes) {
            for (const auto &s2 : sizes) {
                const Picture foto1 = randomPicture(s1[0], s1[1], kWhite, random);
                const Picture foto2 = randomPicture(s2[0], s2[1], kBackground, random);
                Picture pict = randomPicture(3, 3, kResultFill, random);
                ASSERT_TRUE(CombineResult(1, foto1, foto2, pict, result[0], result[1]));
                ASSERT_EQ(pict.width(), result[0]);
                ASSERT_EQ(pict.height(), result[1]);
                for (int y = 0; y < result[1]; ++y)
                    for (int x = 0; x < result[0]; ++x)
                        ASSERT_EQ(pict.pixel(x, y), checkerboardReference(foto1, foto2, kResultFill, x, y))
                            << "result " << result[0] << "x" << result[1] << " slot 1 " << s1[0] << "x" << s1[1]
                            << " slot 2 " << s2[0] << "x" << s2[1] << " at " << x << "," << y;
            }
        }
    }
}

TEST(DoorElkaar, AfterTheWorkingSizeGrewFillsOnlyTheOldAreaAndLeavesTheRestBackground)
{
    const Picture foto1 = tagged(320, 240, 1, kWhite);
    const Picture foto2 = tagged(320, 240, 2, kBackground);
    Picture pict(320, 240, kResultFill);
    ASSERT_TRUE(CombineResult(1, foto1, foto2, pict, 640, 480));
    ASSERT_EQ(pict.width(), 640);
    ASSERT_EQ(pict.height(), 480);
    EXPECT_EQ(pict.pixel(0, 0), foto2.pixel(0, 0));
    EXPECT_EQ(pict.pixel(319, 238), foto1.pixel(319, 238));
    EXPECT_EQ(pict.pixel(319, 239), foto2.pixel(319, 239));
    EXPECT_EQ(pict.pixel(320, 0), kResultFill);
    EXPECT_EQ(pict.pixel(321, 0), kResultFill);
    EXPECT_EQ(pict.pixel(0, 240), kResultFill);
    EXPECT_EQ(pict.pixel(1, 240), kResultFill);
    EXPECT_EQ(pict.pixel(639, 479), kResultFill);
}

TEST(DoorElkaar, UsesOnlyThePartOfLargerSlotsThatFallsInsideTheResult)
{
    const Picture foto1 = tagged(640, 480, 1, kWhite);
    const Picture foto2 = tagged(640, 480, 2, kBackground);
    Picture pict(640, 480, kResultFill);
    ASSERT_TRUE(CombineResult(1, foto1, foto2, pict, 320, 240));
    ASSERT_EQ(pict.width(), 320);
    ASSERT_EQ(pict.height(), 240);
    EXPECT_EQ(pict.pixel(318, 239), foto1.pixel(318, 239)) << "no scaling: the slot's own pixel at the same place";
    EXPECT_EQ(pict.pixel(319, 239), foto2.pixel(319, 239));
}

TEST(Painting, CombinesEachChannelByExclusiveOr)
{
    struct Case {
        QRgb first, second, expected;
    };
    const Case cases[] = {
        {qRgb(255, 0, 0), qRgb(255, 255, 0), qRgb(0, 255, 0)},     // red with yellow gives green
        {qRgb(12, 200, 77), qRgb(255, 255, 255), qRgb(243, 55, 178)}, // white gives the negative
        {qRgb(255, 255, 255), qRgb(12, 200, 77), qRgb(243, 55, 178)},
        {qRgb(91, 17, 230), qRgb(91, 17, 230), qRgb(0, 0, 0)},      // equal pixels give black
        {qRgb(0xA5, 0x0F, 0x3C), qRgb(0x5A, 0xF0, 0x3C), qRgb(0xFF, 0xFF, 0x00)},
    };
    for (const Case &c : cases) {
        Picture foto1(4, 3, kWhite);
        Picture foto2(4, 3, kBackground);
        foto1.fillRect(0, 0, 3, 2, c.first);
        foto2.fillRect(0, 0, 3, 2, c.second);
        Picture pict(0, 0, kResultFill);
        ASSERT_TRUE(CombineResult(2, foto1, foto2, pict, 4, 3));
        ASSERT_EQ(pict.width(), 4);
        ASSERT_EQ(pict.height(), 3);
        EXPECT_EQ(pict.pixel(0, 0), c.expected);
        EXPECT_EQ(pict.pixel(3, 2), c.expected);
        expectEveryPixelOpaque(pict);
    }
}

TEST(Painting, OfTwoIdenticalSlotsIsAllBlack)
{
    std::mt19937 random(3);
    const Picture foto = randomPicture(13, 7, kWhite, random);
    Picture pict(0, 0, kResultFill);
    ASSERT_TRUE(CombineResult(2, foto, foto, pict, 13, 7));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
            ASSERT_EQ(pict.pixel(x, y), qRgb(0, 0, 0)) << x << "," << y;
}

TEST(Painting, AtEqualSizeCombinesPixelForPixel)
{
    std::mt19937 random(11);
    const Picture foto1 = randomPicture(9, 5, kWhite, random);
    const Picture foto2 = randomPicture(9, 5, kBackground, random);
    Picture pict(0, 0, kResultFill);
    ASSERT_TRUE(CombineResult(2, foto1, foto2, pict, 9, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(pict.pixel(x, y), qRgb(qRed(foto1.pixel(x, y)) ^ qRed(foto2.pixel(x, y)),
                                             qGreen(foto1.pixel(x, y)) ^ qGreen(foto2.pixel(x, y)),
                                             qBlue(foto1.pixel(x, y)) ^ qBlue(foto2.pixel(x, y))))
                << x << "," << y;
}

TEST(Painting, StretchesBothSlotsToTheWorkingSize)
{
    // Slot 1: left half red, right half blue, at 2 x 1; slot 2: one plain
    // pixel of (0, 255, 0) at 1 x 1. Doubled to 4 x 2 each half covers two
    // columns of every row.
    Picture foto1(2, 1, kWhite);
    foto1.setPixel(0, 0, qRgb(255, 0, 0));
    foto1.setPixel(1, 0, qRgb(0, 0, 255));
    Picture foto2(1, 1, kBackground);
    foto2.setPixel(0, 0, qRgb(0, 255, 0));
    Picture pict(0, 0, kResultFill);
    ASSERT_TRUE(CombineResult(2, foto1, foto2, pict, 4, 2));
    ASSERT_EQ(pict.width(), 4);
    ASSERT_EQ(pict.height(), 2);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(pict.pixel(0, y), qRgb(255, 255, 0));
        EXPECT_EQ(pict.pixel(1, y), qRgb(255, 255, 0));
        EXPECT_EQ(pict.pixel(2, y), qRgb(0, 255, 255));
        EXPECT_EQ(pict.pixel(3, y), qRgb(0, 255, 255));
    }
}

TEST(OnderElkaar, PutsSlot1AboveABackgroundRowAboveSlot2WithoutItsLastRow)
{
    const Picture foto1 = tagged(320, 240, 1, kWhite);
    const Picture foto2 = tagged(320, 240, 2, kBackground);
    Picture pict(320, 240, kResultFill);
    ASSERT_TRUE(CombineResult(3, foto1, foto2, pict, 320, 240));
    ASSERT_EQ(pict.width(), 320);
    ASSERT_EQ(pict.height(), 480);
    for (int y = 0; y < 480; ++y) {
        for (int x : {0, 1, 160, 319}) {
            QRgb expected;
            if (y < 240)
                expected = foto1.pixel(x, y);
            else if (y == 240)
                expected = kResultFill;
            else
                expected = foto2.pixel(x, y - 241);
            ASSERT_EQ(pict.pixel(x, y), expected) << x << "," << y;
        }
    }
    expectEveryPixelOpaque(pict);
}

TEST(OnderElkaar, StretchesSlotsOfAnotherSizeToTheWorkingSize)
{
    // 1 x 2 slots doubled to 2 x 4 halves of a 2 x 8 result.
    Picture foto1(1, 2, kWhite);
    foto1.setPixel(0, 0, qRgb(10, 0, 0));
    foto1.setPixel(0, 1, qRgb(20, 0, 0));
    Picture foto2(1, 2, kBackground);
    foto2.setPixel(0, 0, qRgb(30, 0, 0));
    foto2.setPixel(0, 1, qRgb(40, 0, 0));
    Picture pict(0, 0, kResultFill);
    ASSERT_TRUE(CombineResult(3, foto1, foto2, pict, 2, 4));
    ASSERT_EQ(pict.width(), 2);
    ASSERT_EQ(pict.height(), 8);
    const QRgb expectedRows[] = {qRgb(10, 0, 0), qRgb(10, 0, 0), qRgb(20, 0, 0), qRgb(20, 0, 0),
                                 kResultFill,    qRgb(30, 0, 0), qRgb(30, 0, 0), qRgb(40, 0, 0)};
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(pict.pixel(0, y), expectedRows[y]) << "row " << y;
        EXPECT_EQ(pict.pixel(1, y), expectedRows[y]) << "row " << y;
    }
}

TEST(CombineResult, BuildsTheResultFromThePlainFillsOfEmptySlots)
{
    const QRgb slot1Fill = kWhite;
    const QRgb slot2Fill = qRgb(180, 250, 200);
    // Slots that were cleared at the working size, and slots that never
    // held pixels, take part alike.
    const Picture clearedSlots[] = {plain(6, 4, slot1Fill), plain(6, 4, slot2Fill)};
    const Picture neverLoaded[] = {plain(0, 0, slot1Fill), plain(0, 0, slot2Fill)};
    for (const Picture *pair : {clearedSlots, neverLoaded}) {
        Picture pict(0, 0, kResultFill);
        ASSERT_TRUE(CombineResult(1, pair[0], pair[1], pict, 6, 4));
        EXPECT_EQ(pict.pixel(0, 0), slot2Fill);
        EXPECT_EQ(pict.pixel(1, 0), slot1Fill);
        EXPECT_EQ(pict.pixel(5, 3), slot2Fill);
        EXPECT_EQ(pict.pixel(4, 3), slot1Fill);

        ASSERT_TRUE(CombineResult(2, pair[0], pair[1], pict, 6, 4));
        EXPECT_EQ(pict.pixel(0, 0), qRgb(255 ^ 180, 255 ^ 250, 255 ^ 200));
        EXPECT_EQ(pict.pixel(5, 3), qRgb(255 ^ 180, 255 ^ 250, 255 ^ 200));
        expectEveryPixelOpaque(pict);

        ASSERT_TRUE(CombineResult(3, pair[0], pair[1], pict, 6, 4));
        ASSERT_EQ(pict.height(), 8);
        EXPECT_EQ(pict.pixel(5, 3), slot1Fill);
        EXPECT_EQ(pict.pixel(2, 4), kResultFill);
        EXPECT_EQ(pict.pixel(0, 5), slot2Fill);
        EXPECT_EQ(pict.pixel(5, 7), slot2Fill);
    }
}

TEST(CombineResult, PaintingWithOnePlainSlotGivesTheOtherPictureXorAConstant)
{
    std::mt19937 random(5);
    const Picture foto1 = randomPicture(5, 4, kWhite, random);
    const Picture empty2(0, 0, kBackground);
    Picture pict(0, 0, kResultFill);
    ASSERT_TRUE(CombineResult(2, foto1, empty2, pict, 5, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(pict.pixel(x, y), (foto1.pixel(x, y) ^ (kBackground & 0x00FFFFFF))) << x << "," << y;
}

TEST(CombineResult, RebuildsFromNothingSoEarlierWorkIsGoneAndARepeatGivesTheSamePixels)
{
    std::mt19937 random(9);
    const Picture foto1 = randomPicture(8, 6, kWhite, random);
    const Picture foto2 = randomPicture(5, 3, kBackground, random);
    for (std::int16_t mode = 1; mode <= 3; ++mode) {
        Picture first(0, 0, kResultFill);
        ASSERT_TRUE(CombineResult(mode, foto1, foto2, first, 8, 6));
        Picture again = first;
        again.fillRect(0, 0, 7, 11, qRgb(1, 2, 3)); // work done on the result since
        ASSERT_TRUE(CombineResult(mode, foto1, foto2, again, 8, 6));
        ASSERT_EQ(again.width(), first.width());
        ASSERT_EQ(again.height(), first.height());
        for (int y = 0; y < first.height(); ++y)
            for (int x = 0; x < first.width(); ++x)
                ASSERT_EQ(again.pixel(x, y), first.pixel(x, y)) << "mode " << mode << " at " << x << "," << y;
    }
}

TEST(CombineResult, WithAnUnknownIndexOnlyClearsTheResultAtItsSize)
{
    const Picture foto1 = tagged(4, 4, 1, kWhite);
    const Picture foto2 = tagged(4, 4, 2, kBackground);
    for (std::int16_t index : {std::int16_t(0), std::int16_t(4), std::int16_t(-1), std::int16_t(32767)}) {
        Picture pict = tagged(3, 5, 3, kResultFill);
        ASSERT_TRUE(CombineResult(index, foto1, foto2, pict, 4, 4));
        EXPECT_EQ(pict.width(), 3) << index;
        EXPECT_EQ(pict.height(), 5) << index;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 3; ++x)
                ASSERT_EQ(pict.pixel(x, y), kResultFill) << index << " at " << x << "," << y;
    }
}

TEST(CombineResult, AWorkingSizeOfZeroGivesAResultWithoutPixels)
{
    const Picture foto1 = tagged(4, 4, 1, kWhite);
    const Picture foto2 = tagged(4, 4, 2, kBackground);
    const Picture empty(0, 0, kWhite);
    struct Case {
        std::int16_t mode;
        int width, height, expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {1, 0, 240, 0, 240}, {1, 320, 0, 320, 0}, {1, 0, 0, 0, 0},   {2, 0, 240, 0, 240},
        {2, 320, 0, 320, 0}, {3, 0, 240, 0, 480}, {3, 320, 0, 320, 0}, {3, -5, -7, 0, 0},
    };
    for (const Case &c : cases) {
        for (const Picture *slot : {&foto1, &empty}) {
            Picture pict = tagged(3, 3, 3, kResultFill);
            ASSERT_TRUE(CombineResult(c.mode, *slot, foto2, pict, c.width, c.height));
            EXPECT_EQ(pict.width(), c.expectedWidth) << "mode " << c.mode;
            EXPECT_EQ(pict.height(), c.expectedHeight) << "mode " << c.mode;
            EXPECT_FALSE(pict.hasPixels());
        }
    }
}

TEST(CombineResult, ReportsAResultTooLargeForMemoryAndLeavesTheOldOneCleared)
{
    const Picture foto1 = tagged(4, 4, 1, kWhite);
    const Picture foto2 = tagged(4, 4, 2, kBackground);
    // Rows this wide cannot be addressed by the picture layer at all, and a
    // doubled height this large does not fit a 32-bit size.
    constexpr int kUnaddressableWidth = 70'000'000;
    constexpr int kHeightThatCannotDouble = 1'500'000'000;
    struct Case {
        std::int16_t mode;
        int width, height;
    };
    for (const Case &c : {Case{1, kUnaddressableWidth, 1}, Case{2, kUnaddressableWidth, 1},
                          Case{3, kUnaddressableWidth, 1}, Case{3, 1, kHeightThatCannotDouble}}) {
        Picture pict = tagged(3, 2, 3, kResultFill);
        EXPECT_FALSE(CombineResult(c.mode, foto1, foto2, pict, c.width, c.height)) << "mode " << c.mode;
        ASSERT_EQ(pict.width(), 3);
        ASSERT_EQ(pict.height(), 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                ASSERT_EQ(pict.pixel(x, y), kResultFill);
    }
}
