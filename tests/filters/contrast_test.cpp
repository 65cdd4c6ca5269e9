#include "filters/contrast.h"

#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace mergola {
namespace {

using testing::Bgr;
using testing::FilterHarness;

// Plain references, written from the rules and nothing else.
int referenceMean(const std::vector<Bgr> &pixels)
{
    long long sum = 0;
    for (const Bgr &p : pixels)
        sum += (p.blue + p.green + p.red) / 3;
    return int(sum / std::ssize(pixels));
}

void referenceBalance(int (&v)[3]) // blue, green, red
{
    for (;;) {
        if (std::all_of(v, v + 3, [](int c) { return c >= 0 && c <= 255; }))
            return;
        if (std::none_of(v, v + 3, [](int c) { return c > 0; }) ||
            std::none_of(v, v + 3, [](int c) { return c < 255; })) {
            std::fill(v, v + 3, v[0] > 0 ? 255 : 0);
            return;
        }
        for (int i = 0; i < 3; ++i) {
            int h = 0;
            if (v[i] < 0)
                h = v[i] / 2, v[i] = 0;
            else if (v[i] > 255)
                h = (v[i] - 255) / 2, v[i] = 255;
            for (int j = 0; j < 3; ++j)
                v[j] += j == i ? 0 : h;
        }
    }
}

auto referenceContrast(int p)
{
    return [p](FilterHarness h) {
        const int m = referenceMean(h.pixels());
        const float f = float((p + 100) / 100.0);
        const auto level = [&](int i) { return int(std::nearbyint(double(f) * (i - m) + m)); };
        for (int y = 0; y < h.height(); ++y)
            for (int x = 0; x < h.width(); ++x) {
                int v[3] = {level(h.get(x, y).blue), level(h.get(x, y).green), level(h.get(x, y).red)};
                referenceBalance(v);
                h.set(x, y, {v[0], v[1], v[2]});
            }
        return h;
    };
}

// A damping of 0 leaves no error to add: a plain threshold at the mean.
FilterHarness referenceColdept(FilterHarness harness, int p)
{
    const int w = harness.width(), h = harness.height();
    std::vector<Bgr> pixels = harness.pixels();
    const int m = referenceMean(pixels);
    std::vector<int> error(pixels.size(), 0);                                     // accumulated error of every pixel
    const int shares[3][5] = {{0, 0, 0, 8, 4}, {2, 4, 8, 4, 2}, {1, 2, 4, 2, 1}}; // columns x - 2 to x + 2
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Bgr &pixel = pixels[std::size_t(y * w + x)];
            const int damped = p == 0 ? 0 : error[std::size_t(y * w + x)] * 10 / p;
            const int v = std::clamp((pixel.blue + pixel.green + pixel.red) / 3 + damped, 0, 255);
            const int o = v >= m ? 255 : 0;
            pixel = {o, o, o};
            for (int dy = 0; dy < 3; ++dy)
                for (int dx = -2; dx <= 2; ++dx)
                    if (y + dy < h && x + dx >= 0 && x + dx < w)
                        error[std::size_t((y + dy) * w + x + dx)] += shares[dy][dx + 2] * (v - o) / 42;
            harness.set(x, y, pixel);
        }
    }
    return harness;
}

TEST(MeanGreyLevel, TruncatesEachPixelsGreyAndTheMeanAndHoldsBrightLargePictures)
{
    FilterHarness harness(2, 1);
    harness.set(0, 0, {10, 20, 31});    // grey 20
    harness.set(1, 0, {100, 100, 103}); // grey 101
    EXPECT_EQ(contrast_detail::meanGreyLevel(PixelView{harness.dest.data(), 2, 1}), 60) << "121 \\ 2";

    // 3000 x 3000 white pixels sum to 2.3 billion, beyond 32 bits.
    constexpr int kSide = 3000;
    std::vector<std::uint8_t> white(std::size_t(kSide) * kSide * kBytesPerPixel, 255);
    EXPECT_EQ(contrast_detail::meanGreyLevel(PixelView{white.data(), kSide, kSide}), 255);
    EXPECT_EQ(contrast_detail::meanGreyLevel(PixelView{nullptr, 0, 5}), 0) << "no pixels, no division";
}

TEST(ContrastFilter, MapsLevelsAroundAMeanOf100AndLeavesFlatGreyPicturesUnchanged)
{
    const std::pair<int, std::vector<std::pair<int, int>>> maps[] = {
        {10, {{0, -10}, {85, 83}, {95, 94}, {100, 100}, {105, 106}, {115, 117}, {200, 210}, {255, 271}}},
        {-10, {{0, 10}, {85, 87}, {115, 113}, {255, 239}}}};
    for (const auto &[p, levels] : maps) {
        FilterHarness harness(4, 3, 100);
        harness.run(ContrastFilter, p);
        for (auto [level, mapped] : levels)
            EXPECT_EQ(harness.levelTable[std::size_t(level)], mapped) << "p " << p << " level " << level;
    }
    for (int level : {0, 1, 37, 100, 128, 254, 255}) {
        for (int p : {10, -10}) {
            FilterHarness harness(5, 3, std::uint8_t(level));
            harness.run(ContrastFilter, p);
            EXPECT_EQ(harness.pixels(), std::vector<Bgr>(15, Bgr{level, level, level})) << level << " p " << p;
        }
    }
}

TEST(ContrastFilter, BalancingHandsHalfTheExcessOnToTheOtherChannels)
{
    const std::pair<Bgr, Bgr> cases[] = {{{-3, 300, 100}, {22, 255, 121}},   {{-10, -20, 5}, {0, 0, 0}},
                                         {{270, 280, 100}, {255, 255, 138}}, {{300, 100, -30}, {251, 118, 0}},
                                         {{0, 255, 128}, {0, 255, 128}},     {{-1, 300, 300}, {86, 255, 255}}};
    for (auto [levels, expected] : cases) {
        std::int32_t b = levels.blue, g = levels.green, r = levels.red;
        contrast_detail::balanceLevels(b, g, r);
        EXPECT_EQ((Bgr{b, g, r}), expected) << levels.blue << "," << levels.green << "," << levels.red;
    }
}

TEST(ContrastFilter, MatchesThePlainReferenceOnRandomPictures)
{
    // Pictures of mostly dark or mostly bright pixels push levels far out;
    // rows of 37 take whole chunks of 16 pixels and a rest.
    std::vector<FilterHarness> pictures = testing::randomPictures({{1, 1}, {1, 6}, {6, 1}, {13, 9}, {37, 5}}, 100);
    for (auto [low, high] : {std::pair{0, 40}, std::pair{215, 255}}) {
        FilterHarness &extreme = pictures.emplace_back(16, 16);
        extreme.randomize(unsigned(low), low, high);
        extreme.set(3, 3, {0, 255, 0});
        extreme.set(4, 4, {255, 0, 255});
    }
    for (int p : {10, -10, 30, -50})
        testing::expectAsReference(ContrastFilter, p, pictures, referenceContrast(p));
}

TEST(ColdeptFilter, MatchesThePlainReferenceOnRandomAndFlatPictures)
{
    // Rows run side by side in threes, each some columns behind the one
    // above: heights of every remainder, widths below and above that lag
    // and long enough for all three rows to run at once.
    std::vector<FilterHarness> pictures =
        testing::randomPictures({{1, 6}, {6, 1}, {3, 3}, {13, 9}, {2, 4}, {7, 8}, {40, 5}}, 300);
    for (int p : {20, 10, 7, 3, 0, -20})
        testing::expectAsReference(ColdeptFilter, p, pictures, [p](FilterHarness h) { return referenceColdept(h, p); });
    for (int level : {0, 1, 60, 128, 200, 255}) {
        FilterHarness flat(6, 5, std::uint8_t(level));
        testing::expectAsReference(ColdeptFilter, 20, {flat}, [](FilterHarness h) { return referenceColdept(h, 20); });
        flat.run(ColdeptFilter, 20);
        EXPECT_EQ(flat.get(0, 0), (Bgr{255, 255, 255})) << "v = m at the top left: white";
    }
}

} // namespace
} // namespace mergola
