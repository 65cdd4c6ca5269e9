#include "filters/engine.h"

#include "filters/aqua.h"
#include "filters/colour.h"
#include "filters/contrast.h"
#include "filters/convolution.h"
#include "filters/filter_menu.h"
#include "filters/relief.h"
#include "filters/scatter.h"
#include "platform/picture.h"
#include "support/filter_harness.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <new>
#include <string>
#include <vector>

namespace mergola {
namespace {

using testing::conventionFor;
using testing::randomPicture;
using testing::FilterHarness;
using testing::Progress;
using testing::RecordingProgress;

QImage negated(Picture picture)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, ~picture.pixel(x, y));
    return picture.image();
}

void expectIdle(const Filters &filters)
{
    EXPECT_FALSE(filters.FilterBusy());
    EXPECT_EQ(filters.destBufferBytes(), 16u) << "shrunk after the run";
    EXPECT_EQ(filters.sourceBufferBytes(), 16u);
}

// What each filter stores for a picture of h rows: most follow the engine's
// convention over the rows they filter; Contrast and Coldept have their own.
Progress progressOf(std::int32_t id, int h)
{
    switch (id) {
    case 17:   // Contrast: 5 once the mean is known, then its own share of each row
    case 23: { // Coldept: 3 and 10 while it prepares, then its own share of each row
        Progress values = id == 17 ? Progress{0, 5} : Progress{3, 10};
        for (int y = 1; y <= h; ++y)
            values.push_back(id == 17 ? 5 + y * 95 / h : 10 + y * 90 / h);
        values.push_back(100);
        return values;
    }
    case 1:
    case 3:
    case 6:
    case 7:
    case 13:
        return conventionFor(h, 2, h - 1); // 3 x 3 windows: inner rows
    case 8:
    case 10:
        return conventionFor(h, 1, h - 1); // a diagonal neighbour below: all rows but the last
    case 24:
        return conventionFor(h, 3, h - 2); // 5 x 5 windows
    default:
        return conventionFor(h);
    }
}

} // namespace

TEST(SplitColor, UnpacksRedGreenBlueFromThePackedColour)
{
    for (auto [colour, red, green, blue] : {std::array{16776960, 0, 255, 255}, std::array{7895040, 0, 120, 120}}) {
        const SplitRgb split = SplitColor(colour);
        EXPECT_EQ((std::array{split.red, split.green, split.blue}), (std::array{red, green, blue})) << colour;
    }
}

TEST(RandomSource, DrawsLieInZeroToOneAndAverageAHalf)
{
    RandomSource random;
    double sum = 0;
    for (int i = 0; i < 1'000'000; ++i) {
        const float u = random.next();
        ASSERT_TRUE(u >= 0.0f && u < 1.0f) << u;
        sum += u;
    }
    // A uniform mean over a million draws strays about 0.0003; 0.005 is far
    // beyond chance, yet catches a skewed or stuck generator.
    EXPECT_NEAR(sum / 1'000'000, 0.5, 0.005);
}

TEST(FilterTable, EachIdRunsItsFilterOnAnySizeAndParameterReportingItsRowsAndLeavingTheFourthByte)
{
    const std::pair<std::int32_t, FilterFunction> ids[] = {
        {1, SharpenFilter},    {2, NegativeFilter},  {3, BlurFilter},        {4, DeffuseFilter},    {6, EdgeFilter},
        {7, ContourFilter},    {8, EmbossFilter},    {10, EngraveFilter},    {12, GreyscaleFilter}, {13, ReliefFilter},
        {14, LightDarkFilter}, {15, PixelizeFilter}, {16, SwapColorsFilter}, {17, ContrastFilter},  {23, ColdeptFilter},
        {24, AquaFilter},      {29, AddnoiseFilter}, {31, GammaFilter}};
    for (std::int32_t id : {-1, 0, 5, 9, 11, 18, 22, 25, 30, 32, 1000})
        EXPECT_EQ(filterForId(id), nullptr) << "id " << id;
    for (auto [id, filter] : ids) {
        EXPECT_EQ(filterForId(id), filter) << "id " << id;
        for (int rows : {0, 1, 2, 3, 7}) {
            FilterHarness harness(4, rows);
            harness.randomize(unsigned(rows));
            harness.run(filter, id == 16 ? 1 : 20);
            const Progress expected = progressOf(id, rows);
            EXPECT_EQ(harness.progress.stored, expected) << "id " << id << ", " << rows << " rows";
            EXPECT_EQ(harness.progress.atTurn, Progress(expected.begin() + (id == 23 ? 0 : 1), expected.end()))
                << "one turn after each store but the first 0";
        }
        // The menu's parameters and any others, on odd sizes and sizes without pixels.
        for (auto [width, height] : {std::pair{0, 0}, {5, 0}, {0, 4}, {1, 1}, {1, 6}, {6, 1}, {2, 2}, {9, 7}})
            for (std::int32_t p :
                 {-100000, -10, -8, -1, 0, 1, 2, 3, 5, 6, 8, 10, 50, 70, 255, kDarkCyan, kCyan, INT_MAX}) {
                FilterHarness harness(width, height);
                harness.randomize(unsigned(id));
                const std::vector<std::uint8_t> before = harness.dest;
                harness.run(filter, p);
                for (std::size_t i = 3; i < before.size(); i += 4)
                    ASSERT_EQ(harness.dest[i], before[i]) << "id " << id << " p " << p << " byte " << i;
                ASSERT_EQ(harness.progress.atTurn.back(), 100) << "id " << id << " p " << p;
            }
    }
}

TEST(ApplyFilter, RunsTheFilterOfTheIdOnCopiesOfThePictureAndWritesTheResultBack)
{
    // Over 2 MiB a buffer is mapped on its own; an odd size checks that the
    // rounding to whole pages leaves every byte usable. Ids that name no
    // filter write the picture back unchanged.
    for (auto [width, height] : {std::pair{5, 3}, {1201, 701}, {0, 0}, {5, 0}, {0, 4}}) {
        for (std::int32_t id : {2, 0, 5}) {
            Filters filters;
            Picture picture = randomPicture(width, height, 1);
            const QImage expected = id == 2 ? negated(picture) : picture.image();
            RecordingProgress progress;
            const std::size_t bytes = 4u * std::size_t(width) * std::size_t(height);
            progress.onTurn = [&] {
                EXPECT_TRUE(filters.FilterBusy());
                EXPECT_EQ(filters.destBufferBytes(), bytes) << "both buffers hold the whole picture";
                EXPECT_EQ(filters.sourceBufferBytes(), bytes);
            };
            EXPECT_EQ(filters.ApplyFilter(id, picture, 0, progress), FilterOutcome::Done);
            EXPECT_EQ(picture.image(), expected);
            EXPECT_EQ(progress.stored, id == 2 ? conventionFor(height) : Progress{}) << "id " << id;
            expectIdle(filters);
        }
    }
}

TEST(ApplyFilter, RefusesAFilterDuringARunAndWritesOverAMirrorMadeMeanwhile)
{
    Filters filters;
    Picture picture = randomPicture(4, 3, 1);
    const QImage expected = negated(picture);
    Picture other = randomPicture(2, 2, 1);
    RecordingProgress progress;
    RecordingProgress nestedProgress;
    std::vector<FilterOutcome> nestedOutcomes;
    progress.onTurn = [&] {
        // The user picks another filter, on this picture and on another one,
        // and a mirror, which works at once but is lost under the result.
        nestedOutcomes.push_back(filters.ApplyFilter(filter_ids::Negative, picture, 0, nestedProgress));
        nestedOutcomes.push_back(filters.ApplyFilter(filter_ids::Greyscale, other, 0, nestedProgress));
        picture.mirrorHorizontal();
        EXPECT_EQ(filters.destBufferBytes(), 4u * 4 * 3) << "a refusal leaves the running filter's buffers";
    };
    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, progress), FilterOutcome::Done);
    EXPECT_EQ(nestedOutcomes, std::vector<FilterOutcome>(8, FilterOutcome::Refused));
    EXPECT_TRUE(nestedProgress.stored.empty()) << "a refused request stores no progress";
    EXPECT_EQ(picture.image(), expected) << "negated once, by the running filter only";
    EXPECT_EQ(other.image(), randomPicture(2, 2, 1).image());
    expectIdle(filters);
}

TEST(ApplyFilter, DropsTheResultWhenThePictureChangedSizeTheFilterWasAbandonedOrMemoryRanOut)
{
    Filters filters;
    Picture picture = randomPicture(5, 4, 1);
    RecordingProgress progress;
    progress.onTurn = [&] {
        if (picture.width() == 5) { // the user sets another working size and combines again
            ASSERT_TRUE(picture.resize(3, 6));
            picture.fillRect(0, 0, 2, 5, qRgb(1, 2, 3));
        }
    };
    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, progress), FilterOutcome::Dropped);
    EXPECT_EQ(picture.image(), Picture(3, 6, qRgb(1, 2, 3)).image()) << "the new picture keeps what the user made";
    EXPECT_EQ(progress.stored.back(), 100) << "the filter itself still ran to its end";
    expectIdle(filters);

    struct Abandoning final : FilterProgressSink {
        int turns = 0;
        void store(std::int32_t) override {}
        void yield() override
        {
            if (++turns == 2)
                throw FilterAbandoned{};
        }
    } abandoning;
    picture = randomPicture(4, 5, 1);
    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, abandoning), FilterOutcome::Dropped);
    EXPECT_EQ(abandoning.turns, 2);
    EXPECT_EQ(picture.image(), randomPicture(4, 5, 1).image()) << "the rows already filtered are not written back";
    expectIdle(filters);

    progress.onTurn = [] { throw std::bad_alloc(); };
    EXPECT_EQ(filters.ApplyFilter(filter_ids::Contrast, picture, 10, progress), FilterOutcome::OutOfMemory);
    EXPECT_EQ(picture.image(), randomPicture(4, 5, 1).image());
    expectIdle(filters);
    progress.onTurn = nullptr;
    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, progress), FilterOutcome::Done) << "runs again";
    EXPECT_EQ(picture.image(), negated(randomPicture(4, 5, 1)));
}

} // namespace mergola
