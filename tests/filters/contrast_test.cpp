#include "filters/contrast.h"

#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace mergola {
namespace {

using testing::Bgr;
using testing::FilterHarness;

void fillRandom(FilterHarness &harness, unsigned seed, int low = 0, int high = 255)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> level(low, high);
    for (int y = 0; y < harness.height(); ++y)
        for (int x = 0; x < harness.width(); ++x)
            harness.set(x, y, {level(generator), level(generator), level(generator)});
}

void fillFlat(FilterHarness &harness, int level)
{
    for (int y = 0; y < harness.height(); ++y)
        for (int x = 0; x < harness.width(); ++x)
            harness.setAll(x, y, level);
}

std::vector<Bgr> pixelsOf(const FilterHarness &harness)
{
    std::vector<Bgr> pixels;
    for (int y = 0; y < harness.height(); ++y)
        for (int x = 0; x < harness.width(); ++x)
            pixels.push_back(harness.get(x, y));
    return pixels;
}

// Plain references, written from the rules and nothing else, for small
// pictures given as rows of pixels.
struct RefPicture {
    int width;
    int height;
    std::vector<Bgr> pixels; // row by row from the top
    Bgr &at(int x1, int y1) { return pixels[std::size_t((y1 - 1) * width + (x1 - 1))]; }
};

RefPicture pictureOf(const FilterHarness &harness)
{
    return {harness.width(), harness.height(), pixelsOf(harness)};
}

int referenceMean(const RefPicture &picture)
{
    long long sum = 0;
    long long count = 0;
    for (const Bgr &p : picture.pixels) {
        sum += (p.blue + p.green + p.red) / 3;
        count += 1;
    }
    return int(sum / count);
}

void referenceBalance(int &b, int &g, int &r)
{
    for (;;) {
        if (b >= 0 && b <= 255 && g >= 0 && g <= 255 && r >= 0 && r <= 255)
            return;
        if (!(b > 0) && !(g > 0) && !(r > 0)) {
            b = g = r = 0;
            return;
        }
        if (!(b < 255) && !(g < 255) && !(r < 255)) {
            b = g = r = 255;
            return;
        }
        if (b < 0) {
            int h = b / 2;
            g += h;
            r += h;
            b = 0;
        } else if (b > 255) {
            int h = (b - 255) / 2;
            g += h;
            r += h;
            b = 255;
        }
        if (g < 0) {
            int h = g / 2;
            b += h;
            r += h;
            g = 0;
        } else if (g > 255) {
            int h = (g - 255) / 2;
            b += h;
            r += h;
            g = 255;
        }
        if (r < 0) {
            int h = r / 2;
            g += h;
            b += h;
            r = 0;
        } else if (r > 255) {
            int h = (r - 255) / 2;
            g += h;
            b += h;
            r = 255;
        }
    }
}

RefPicture referenceContrast(RefPicture picture, int p)
{
    const int m = referenceMean(picture);
    const float f = float((p + 100) / 100.0);
    const auto level = [&](int i) { return int(std::nearbyint(double(f) * (i - m) + m)); };
    for (Bgr &pixel : picture.pixels) {
        int b = level(pixel.blue);
        int g = level(pixel.green);
        int r = level(pixel.red);
        referenceBalance(b, g, r);
        pixel = {b, g, r};
    }
    return picture;
}

RefPicture referenceColdept(RefPicture picture, int p)
{
    const int w = picture.width;
    const int h = picture.height;
    const int m = referenceMean(picture);
    std::vector<int> error(std::size_t(w * h), 0); // accumulated error of every pixel
    const auto add = [&](int x1, int y1, int share) { error[std::size_t((y1 - 1) * w + (x1 - 1))] += share; };
    for (int y = 1; y <= h; ++y) {
        for (int x = 1; x <= w; ++x) {
            Bgr &pixel = picture.at(x, y);
            int v = (pixel.blue + pixel.green + pixel.red) / 3 + (error[std::size_t((y - 1) * w + (x - 1))] * 10) / p;
            v = std::clamp(v, 0, 255);
            const int o = v >= m ? 255 : 0;
            pixel = {o, o, o};
            const int e = v - o;
            if (x < w) add(x + 1, y, 8 * e / 42);
            if (x < w - 1) add(x + 2, y, 4 * e / 42);
            if (y < h && x > 2) add(x - 2, y + 1, 2 * e / 42);
            if (y < h && x > 1) add(x - 1, y + 1, 4 * e / 42);
            if (y < h) add(x, y + 1, 8 * e / 42);
            if (y < h && x < w) add(x + 1, y + 1, 4 * e / 42);
            if (y < h && x < w - 1) add(x + 2, y + 1, 2 * e / 42);
            if (y < h - 1 && x > 2) add(x - 2, y + 2, 1 * e / 42);
            if (y < h - 1 && x > 1) add(x - 1, y + 2, 2 * e / 42);
            if (y < h - 1) add(x, y + 2, 4 * e / 42);
            if (y < h - 1 && x < w) add(x + 1, y + 2, 2 * e / 42);
            if (y < h - 1 && x < w - 1) add(x + 2, y + 2, 1 * e / 42);
        }
    }
    return picture;
}

const std::pair<int, int> kOddSizes[] = {{1, 1}, {1, 6}, {6, 1}, {2, 2}, {3, 3}, {5, 4}, {13, 9}, {32, 17}};

TEST(MeanGreyLevel, TruncatesEachPixelsGreyAndTheMeanAndHoldsBrightLargePictures)
{
    FilterHarness harness(2, 1);
    harness.set(0, 0, {10, 20, 31}); // grey 20
    harness.set(1, 0, {100, 100, 103}); // grey 101
    EXPECT_EQ(contrast_detail::meanGreyLevel(PixelView{harness.dest.data(), 2, 1}), 60) << "121 \\ 2";

    // 3000 x 3000 white pixels sum to 2.3 billion, beyond 32 bits.
    constexpr int kSide = 3000;
    std::vector<std::uint8_t> white(std::size_t(kSide) * kSide * kBytesPerPixel, 255);
    EXPECT_EQ(contrast_detail::meanGreyLevel(PixelView{white.data(), kSide, kSide}), 255);

    EXPECT_EQ(contrast_detail::meanGreyLevel(PixelView{nullptr, 0, 5}), 0) << "no pixels, no division";
}

TEST(ContrastFilter, MapsLevelsAroundAMeanOf100)
{
    FilterHarness more(4, 3);
    fillFlat(more, 100);
    more.run(ContrastFilter, 10);
    const std::pair<int, int> widened[] = {{0, -10},   {85, 83},   {95, 94},   {100, 100},
                                           {105, 106}, {115, 117}, {200, 210}, {255, 271}};
    for (auto [level, mapped] : widened)
        EXPECT_EQ(more.levelTable[std::size_t(level)], mapped) << level;

    FilterHarness less(4, 3);
    fillFlat(less, 100);
    less.run(ContrastFilter, -10);
    const std::pair<int, int> narrowed[] = {{0, 10}, {85, 87}, {115, 113}, {255, 239}};
    for (auto [level, mapped] : narrowed)
        EXPECT_EQ(less.levelTable[std::size_t(level)], mapped) << level;
}

TEST(ContrastFilter, BalancingHandsHalfTheExcessOnToTheOtherChannels)
{
    struct Case {
        int b, g, r;
        Bgr expected;
    };
    const Case cases[] = {{-3, 300, 100, {22, 255, 121}},
                          {-10, -20, 5, {0, 0, 0}},
                          {270, 280, 100, {255, 255, 138}},
                          {300, 100, -30, {251, 118, 0}},
                          {0, 255, 128, {0, 255, 128}},
                          {-1, 300, 300, {86, 255, 255}}};
    for (const Case &c : cases) {
        std::int32_t b = c.b, g = c.g, r = c.r;
        contrast_detail::balanceLevels(b, g, r);
        EXPECT_EQ((Bgr{b, g, r}), c.expected) << c.b << "," << c.g << "," << c.r;
    }

    std::mt19937 generator(11);
    std::uniform_int_distribution<int> level(-300, 600);
    for (int i = 0; i < 20000; ++i) {
        const int b0 = level(generator), g0 = level(generator), r0 = level(generator);
        int b = b0, g = g0, r = r0;
        std::int32_t fb = b0, fg = g0, fr = r0;
        referenceBalance(b, g, r);
        contrast_detail::balanceLevels(fb, fg, fr);
        ASSERT_EQ((Bgr{fb, fg, fr}), (Bgr{b, g, r})) << "from " << b0 << "," << g0 << "," << r0;
    }
}

TEST(ContrastFilter, LeavesAFlatGreyPictureUnchanged)
{
    for (int level : {0, 1, 37, 100, 128, 254, 255}) {
        for (int p : {10, -10}) {
            FilterHarness harness(5, 3);
            fillFlat(harness, level);
            harness.run(ContrastFilter, p);
            for (const Bgr &pixel : pixelsOf(harness))
                ASSERT_EQ(pixel, (Bgr{level, level, level})) << "level " << level << " p " << p;
        }
    }
}

TEST(ContrastFilter, MatchesThePlainReferenceOnRandomPictures)
{
    unsigned seed = 100;
    for (auto [width, height] : kOddSizes) {
        for (int p : {10, -10, 30, -50}) {
            FilterHarness harness(width, height);
            fillRandom(harness, ++seed);
            const RefPicture expected = referenceContrast(pictureOf(harness), p);
            harness.run(ContrastFilter, p);
            EXPECT_EQ(pixelsOf(harness), expected.pixels) << width << "x" << height << " p " << p;
        }
    }
    // Pictures of mostly dark or mostly bright pixels push levels far out.
    for (auto [low, high] : {std::pair{0, 40}, std::pair{215, 255}, std::pair{0, 255}}) {
        FilterHarness harness(16, 16);
        fillRandom(harness, ++seed, low, high);
        harness.set(3, 3, {0, 255, 0});
        harness.set(4, 4, {255, 0, 255});
        const RefPicture expected = referenceContrast(pictureOf(harness), 10);
        harness.run(ContrastFilter, 10);
        EXPECT_EQ(pixelsOf(harness), expected.pixels) << low << ".." << high;
    }
}

TEST(ContrastFilter, ReportsZeroThenFiveThenItsOwnRowSharesThenOneHundred)
{
    FilterHarness harness(2, 3);
    harness.run(ContrastFilter, 10);
    EXPECT_EQ(harness.progress.stored, (std::vector<std::int32_t>{0, 5, 36, 68, 100, 100}));
    EXPECT_EQ(harness.progress.atTurn, (std::vector<std::int32_t>{5, 36, 68, 100, 100}));

    FilterHarness empty(4, 0);
    empty.run(ContrastFilter, 10);
    EXPECT_EQ(empty.progress.stored, (std::vector<std::int32_t>{0, 5, 100}));
}

TEST(Coldept, StuckiSharesTruncateEachWeightOnItsOwn)
{
    using Row = contrast_detail::StuckiRow;
    EXPECT_EQ(contrast_detail::stuckiShares(42), (Row{8, 4, 2, 4, 8, 4, 2, 1, 2, 4, 2, 1}));
    EXPECT_EQ(contrast_detail::stuckiShares(41), (Row{7, 3, 1, 3, 7, 3, 1, 0, 1, 3, 1, 0}));
    EXPECT_EQ(contrast_detail::stuckiShares(-100), (Row{-19, -9, -4, -9, -19, -9, -4, -2, -4, -9, -4, -2}));
    EXPECT_EQ(contrast_detail::stuckiShares(1), Row{});
    EXPECT_EQ(contrast_detail::stuckiShares(-1), Row{});
}

TEST(ColdeptFilter, LeavesOnlyBlackAndWhitePixels)
{
    unsigned seed = 200;
    for (auto [width, height] : kOddSizes) {
        FilterHarness harness(width, height);
        fillRandom(harness, ++seed);
        harness.run(ColdeptFilter, 20);
        for (const Bgr &pixel : pixelsOf(harness))
            ASSERT_TRUE(pixel == (Bgr{0, 0, 0}) || pixel == (Bgr{255, 255, 255})) << width << "x" << height;
    }
}

TEST(ColdeptFilter, TurnsTheTopLeftPixelOfAFlatPictureWhite)
{
    for (int level : {0, 1, 60, 128, 200, 255}) {
        FilterHarness harness(6, 5);
        fillFlat(harness, level);
        const RefPicture expected = referenceColdept(pictureOf(harness), 20);
        harness.run(ColdeptFilter, 20);
        EXPECT_EQ(harness.get(0, 0), (Bgr{255, 255, 255})) << level;
        EXPECT_EQ(pixelsOf(harness), expected.pixels) << level;
    }
}

TEST(ColdeptFilter, MatchesThePlainReferenceOnRandomPictures)
{
    unsigned seed = 300;
    for (auto [width, height] : kOddSizes) {
        for (int p : {20, 10, 7, 3, -20}) {
            FilterHarness harness(width, height);
            fillRandom(harness, ++seed);
            const RefPicture expected = referenceColdept(pictureOf(harness), p);
            harness.run(ColdeptFilter, p);
            EXPECT_EQ(pixelsOf(harness), expected.pixels) << width << "x" << height << " p " << p;
        }
    }
}

TEST(ColdeptFilter, ADampingOfZeroLeavesAPlainThreshold)
{
    FilterHarness harness(9, 7);
    fillRandom(harness, 400);
    const RefPicture before = pictureOf(harness);
    const int mean = referenceMean(before);
    harness.run(ColdeptFilter, 0);
    const std::vector<Bgr> after = pixelsOf(harness);
    for (std::size_t i = 0; i < after.size(); ++i) {
        const Bgr &p = before.pixels[i];
        const int o = (p.blue + p.green + p.red) / 3 >= mean ? 255 : 0;
        EXPECT_EQ(after[i], (Bgr{o, o, o}));
    }
}

TEST(ColdeptFilter, ReportsThreeThenTenThenItsOwnRowSharesThenOneHundred)
{
    FilterHarness harness(2, 3);
    harness.run(ColdeptFilter, 20);
    EXPECT_EQ(harness.progress.stored, (std::vector<std::int32_t>{3, 10, 40, 70, 100, 100}));
    EXPECT_EQ(harness.progress.atTurn, (std::vector<std::int32_t>{3, 10, 40, 70, 100, 100}));

    FilterHarness seven(1, 7);
    seven.run(ColdeptFilter, 20);
    std::vector<std::int32_t> expected{3, 10};
    for (int y = 1; y <= 7; ++y)
        expected.push_back(10 + y * 90 / 7);
    expected.push_back(100);
    EXPECT_EQ(seven.progress.stored, expected);

    FilterHarness empty(0, 0);
    empty.run(ColdeptFilter, 20);
    EXPECT_EQ(empty.progress.stored, (std::vector<std::int32_t>{3, 10, 100}));
}

} // namespace
} // namespace mergola
