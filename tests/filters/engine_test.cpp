#include "filters/engine.h"

#include "filters/colour.h"
#include "filters/contrast.h"
#include "filters/filter_menu.h"
#include "filters/scatter.h"
#include "platform/picture.h"
#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <new>
#include <random>
#include <vector>

namespace mergola {
namespace {

using testing::FilterHarness;
using testing::RecordingProgress;

constexpr std::size_t kIdleBytes = 16;
constexpr std::int32_t kUnknownIds[] = {-1, 0, 5, 9, 11, 18, 19, 20, 21, 22, 25, 30, 32, 1000};
// The highest id the menu uses; tests run every id from below 0 to beyond it.
constexpr std::int32_t kHighestId = 31;

Picture numbered(int width, int height)
{
    Picture picture(width, height, qRgb(255, 255, 255));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(10 * x + 3, 20 * y + 7, (x * 37 + y * 11) % 256));
    return picture;
}

std::vector<QRgb> pixelsOf(const Picture &picture)
{
    std::vector<QRgb> pixels;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            pixels.push_back(picture.pixel(x, y));
    return pixels;
}

QRgb negated(QRgb colour)
{
    return qRgb(255 - qRed(colour), 255 - qGreen(colour), 255 - qBlue(colour));
}

// 0, (y * 100) \ H after each row, 100 twice: what a filter that follows the
// engine's convention stores for a picture of `rows` rows.
std::vector<std::int32_t> conventionFor(int rows)
{
    std::vector<std::int32_t> values{0};
    for (int y = 1; y <= rows; ++y)
        values.push_back(y * 100 / rows);
    values.push_back(100);
    return values;
}

TEST(SplitColor, UnpacksRedGreenBlueFromThePackedColour)
{
    const SplitRgb cyan = SplitColor(16776960);
    EXPECT_EQ(cyan.red, 0);
    EXPECT_EQ(cyan.green, 255);
    EXPECT_EQ(cyan.blue, 255);
    const SplitRgb darkCyan = SplitColor(7895040);
    EXPECT_EQ(darkCyan.red, 0);
    EXPECT_EQ(darkCyan.green, 120);
    EXPECT_EQ(darkCyan.blue, 120);
}

TEST(RandomSource, DrawsLieInZeroToOneAndNeverReachOne)
{
    RandomSource random;
    constexpr int kDraws = 1'000'000;
    double sum = 0;
    float lowest = 1.0f;
    float highest = 0.0f;
    for (int i = 0; i < kDraws; ++i) {
        const float u = random.next();
        ASSERT_GE(u, 0.0f);
        ASSERT_LT(u, 1.0f);
        sum += u;
        lowest = std::min(lowest, u);
        highest = std::max(highest, u);
    }
    // A uniform mean over a million draws strays about 0.0003; 0.005 is far
    // beyond chance, yet catches a skewed or stuck generator.
    EXPECT_NEAR(sum / kDraws, 0.5, 0.005);
    EXPECT_LT(lowest, 0.001f);
    EXPECT_GT(highest, 0.999f);
}

TEST(FilterTable, MapsTheColourContrastAndScatterIdsToTheirFilters)
{
    EXPECT_EQ(filterForId(filter_ids::Negative), &NegativeFilter);
    EXPECT_EQ(filterForId(filter_ids::Greyscale), &GreyscaleFilter);
    EXPECT_EQ(filterForId(filter_ids::LightDark), &LightDarkFilter);
    EXPECT_EQ(filterForId(filter_ids::SwapColors), &SwapColorsFilter);
    EXPECT_EQ(filterForId(filter_ids::Addnoise), &AddnoiseFilter);
    EXPECT_EQ(filterForId(filter_ids::Gamma), &GammaFilter);
    EXPECT_EQ(filterForId(filter_ids::Contrast), &ContrastFilter);
    EXPECT_EQ(filterForId(filter_ids::Coldept), &ColdeptFilter);
    EXPECT_EQ(filterForId(filter_ids::Deffuse), &DeffuseFilter);
    EXPECT_EQ(filterForId(filter_ids::Pixelize), &PixelizeFilter);
    for (std::int32_t id : kUnknownIds)
        EXPECT_EQ(filterForId(id), nullptr) << "id " << id;
}

// Every filter run of the menu, and the filters of this family with
// parameters the menu never passes.
std::vector<std::pair<std::int32_t, std::int32_t>> filterRunsToProbe()
{
    std::vector<std::pair<std::int32_t, std::int32_t>> runs;
    for (const FilterMenuEntry &entry : kFilMenu)
        if (entry.action == MenuAction::Filter)
            runs.emplace_back(entry.filterId, entry.parameter);
    for (const FilterMenuEntry &entry : kFilsMenu)
        runs.emplace_back(entry.filterId, entry.parameter);
    for (std::int32_t id : {filter_ids::Negative, filter_ids::Greyscale, filter_ids::LightDark, filter_ids::SwapColors,
                            filter_ids::Addnoise, filter_ids::Gamma, filter_ids::Contrast, filter_ids::Coldept,
                            filter_ids::Deffuse, filter_ids::Pixelize})
        for (std::int32_t parameter : {-100000, -10, -1, 0, 1, 2, 255, 7895040, 2147483647})
            runs.emplace_back(id, parameter);
    return runs;
}

TEST(FilterTable, NoFilterTouchesTheFourthByte)
{
    std::mt19937 generator(7);
    for (auto [id, parameter] : filterRunsToProbe()) {
        const FilterFunction filter = filterForId(id);
        if (!filter)
            continue;
        FilterHarness harness(9, 7);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x)
                harness.set(x, y, {int(generator() % 256), int(generator() % 256), int(generator() % 256)});
        std::vector<std::uint8_t> fourth;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x)
                fourth.push_back(harness.fourth(x, y));
        harness.run(filter, parameter);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(harness.fourth(x, y), fourth[std::size_t(y * 9 + x)])
                    << "id " << id << " parameter " << parameter << " at " << x << "," << y;
        EXPECT_EQ(harness.progress.stored.back(), 100) << "id " << id << " parameter " << parameter;
    }
}

TEST(ApplyFilter, RunsTheFilterAndWritesTheResultBackWithTheConventionalProgress)
{
    Filters filters;
    Picture picture = numbered(5, 3);
    const std::vector<QRgb> before = pixelsOf(picture);
    RecordingProgress progress;
    std::vector<std::size_t> bytesDuringRun;
    progress.onTurn = [&] {
        bytesDuringRun.push_back(filters.destBufferBytes());
        bytesDuringRun.push_back(filters.sourceBufferBytes());
        EXPECT_TRUE(filters.FilterBusy());
    };

    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, progress), FilterOutcome::Done);

    const std::vector<QRgb> after = pixelsOf(picture);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(after[i], negated(before[i]));
    EXPECT_EQ(progress.stored, (std::vector<std::int32_t>{0, 33, 66, 100, 100}));
    EXPECT_EQ(progress.atTurn, (std::vector<std::int32_t>{33, 66, 100, 100}));
    for (std::size_t bytes : bytesDuringRun)
        EXPECT_EQ(bytes, 4u * 5 * 3) << "both buffers hold the whole picture while the filter runs";
    EXPECT_FALSE(filters.FilterBusy());
    EXPECT_EQ(filters.destBufferBytes(), kIdleBytes);
    EXPECT_EQ(filters.sourceBufferBytes(), kIdleBytes);
}

TEST(ApplyFilter, LargePicturesGetBuffersOfTheirOwnAndGiveThemBack)
{
    // Over 2 MiB a buffer is mapped on its own; an odd size checks that the
    // rounding to whole pages leaves every byte usable.
    constexpr int kWidth = 1201;
    constexpr int kHeight = 701;
    Filters filters;
    Picture picture(kWidth, kHeight, qRgb(10, 20, 30));
    picture.setPixel(kWidth - 1, kHeight - 1, qRgb(200, 100, 0));
    RecordingProgress progress;
    progress.onTurn = [&] {
        EXPECT_EQ(filters.destBufferBytes(), std::size_t(4) * kWidth * kHeight);
        EXPECT_EQ(filters.sourceBufferBytes(), std::size_t(4) * kWidth * kHeight);
    };

    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, progress), FilterOutcome::Done);

    EXPECT_EQ(picture.pixel(0, 0), qRgb(245, 235, 225));
    EXPECT_EQ(picture.pixel(kWidth - 1, kHeight - 1), qRgb(55, 155, 255));
    EXPECT_EQ(filters.destBufferBytes(), kIdleBytes);
    EXPECT_EQ(filters.sourceBufferBytes(), kIdleBytes);
}

TEST(ApplyFilter, ProgressRunsZeroThenEachRowsShareThenOneHundredTwice)
{
    for (int rows : {1, 2, 3, 7, 100, 241}) {
        Filters filters;
        Picture picture = numbered(3, rows);
        RecordingProgress progress;
        filters.ApplyFilter(filter_ids::Greyscale, picture, 0, progress);
        EXPECT_EQ(progress.stored, conventionFor(rows)) << rows << " rows";
    }
}

TEST(ApplyFilter, RefusesARequestDuringARunningFilterWithoutDisturbingIt)
{
    Filters filters;
    Picture picture = numbered(4, 3);
    const std::vector<QRgb> before = pixelsOf(picture);
    Picture other = numbered(2, 2);
    const std::vector<QRgb> otherBefore = pixelsOf(other);
    RecordingProgress progress;
    RecordingProgress nestedProgress;
    std::vector<FilterOutcome> nestedOutcomes;
    progress.onTurn = [&] {
        // The user picks another filter, on this picture and on another one.
        nestedOutcomes.push_back(filters.ApplyFilter(filter_ids::Negative, picture, 0, nestedProgress));
        nestedOutcomes.push_back(filters.ApplyFilter(filter_ids::Greyscale, other, 0, nestedProgress));
        EXPECT_TRUE(filters.FilterBusy());
        EXPECT_EQ(filters.destBufferBytes(), 4u * 4 * 3) << "a refusal leaves the running filter's buffers";
    };

    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, progress), FilterOutcome::Done);

    ASSERT_EQ(nestedOutcomes.size(), 8u);
    for (FilterOutcome outcome : nestedOutcomes)
        EXPECT_EQ(outcome, FilterOutcome::Refused);
    EXPECT_TRUE(nestedProgress.stored.empty()) << "a refused request stores no progress";
    EXPECT_EQ(progress.stored, conventionFor(3));
    const std::vector<QRgb> after = pixelsOf(picture);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(after[i], negated(before[i])) << "negated once, by the running filter only";
    EXPECT_EQ(pixelsOf(other), otherBefore);
    EXPECT_FALSE(filters.FilterBusy());
}

TEST(ApplyFilter, UnknownIdWritesThePictureBackUnchangedAndIsNoLongerBusy)
{
    Filters filters;
    for (std::int32_t id : kUnknownIds) {
        Picture picture = numbered(6, 4);
        const std::vector<QRgb> before = pixelsOf(picture);
        RecordingProgress progress;
        EXPECT_EQ(filters.ApplyFilter(id, picture, 3, progress), FilterOutcome::Done) << "id " << id;
        EXPECT_EQ(pixelsOf(picture), before) << "id " << id;
        EXPECT_TRUE(progress.stored.empty()) << "no filter ran, so no progress";
        EXPECT_FALSE(filters.FilterBusy());
        EXPECT_EQ(filters.destBufferBytes(), kIdleBytes);
        EXPECT_EQ(filters.sourceBufferBytes(), kIdleBytes);
    }
}

TEST(ApplyFilter, DropsTheResultWhenThePictureChangedSizeDuringTheRun)
{
    Filters filters;
    Picture picture = numbered(5, 4);
    RecordingProgress progress;
    bool resized = false;
    progress.onTurn = [&] {
        if (!resized) {
            // The user sets another working size and combines again.
            resized = picture.resize(3, 6);
            picture.fillRect(0, 0, 2, 5, qRgb(1, 2, 3));
        }
    };

    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, progress), FilterOutcome::Dropped);

    ASSERT_EQ(picture.width(), 3);
    ASSERT_EQ(picture.height(), 6);
    for (QRgb colour : pixelsOf(picture))
        EXPECT_EQ(colour, qRgb(1, 2, 3)) << "the new picture keeps what the user made";
    EXPECT_EQ(progress.stored.back(), 100) << "the filter itself still ran to its end";
    EXPECT_FALSE(filters.FilterBusy());
    EXPECT_EQ(filters.destBufferBytes(), kIdleBytes);
    EXPECT_EQ(filters.sourceBufferBytes(), kIdleBytes);
}

TEST(ApplyFilter, WritesOverAChangeOfTheSameSizeMadeDuringTheRun)
{
    // A mirror chosen during a filter's turn is lost: the filter's result,
    // made from the picture as it was, covers the whole picture.
    Filters filters;
    Picture picture = numbered(4, 2);
    const std::vector<QRgb> before = pixelsOf(picture);
    RecordingProgress progress;
    progress.onTurn = [&] { picture.mirrorHorizontal(); };

    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, progress), FilterOutcome::Done);

    const std::vector<QRgb> after = pixelsOf(picture);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(after[i], negated(before[i]));
}

TEST(ApplyFilter, DropsTheResultWhenTheFilterIsAbandonedAndCanRunAgain)
{
    struct Abandoning final : FilterProgressSink {
        int turns = 0;
        void store(std::int32_t) override {}
        void yield() override
        {
            if (++turns == 2)
                throw FilterAbandoned{};
        }
    };
    Filters filters;
    Picture picture = numbered(4, 5);
    const std::vector<QRgb> before = pixelsOf(picture);
    Abandoning abandoning;

    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, abandoning), FilterOutcome::Dropped);

    EXPECT_EQ(abandoning.turns, 2);
    EXPECT_EQ(pixelsOf(picture), before) << "the rows already filtered are not written back";
    EXPECT_FALSE(filters.FilterBusy());
    EXPECT_EQ(filters.destBufferBytes(), kIdleBytes);
    EXPECT_EQ(filters.sourceBufferBytes(), kIdleBytes);

    RecordingProgress progress;
    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, progress), FilterOutcome::Done);
    EXPECT_EQ(picture.pixel(0, 0), negated(before[0]));
}

TEST(ApplyFilter, LeavesThePictureUnchangedWhenMemoryRunsOutDuringTheRun)
{
    Filters filters;
    Picture picture = numbered(3, 3);
    const std::vector<QRgb> before = pixelsOf(picture);
    RecordingProgress progress;
    progress.onTurn = [] { throw std::bad_alloc(); };

    EXPECT_EQ(filters.ApplyFilter(filter_ids::Contrast, picture, 10, progress), FilterOutcome::OutOfMemory);

    EXPECT_EQ(pixelsOf(picture), before);
    EXPECT_FALSE(filters.FilterBusy());
    EXPECT_EQ(filters.destBufferBytes(), kIdleBytes);
}

TEST(ApplyFilter, PicturesWithoutPixelsRunEveryFilterOverZeroRowsOrColumns)
{
    for (auto [width, height] : {std::pair{0, 0}, std::pair{5, 0}, std::pair{0, 4}}) {
        for (std::int32_t id = -1; id <= kHighestId + 1; ++id) {
            Filters filters;
            Picture picture(width, height, qRgb(255, 255, 255));
            RecordingProgress progress;
            EXPECT_EQ(filters.ApplyFilter(id, picture, 6, progress), FilterOutcome::Done);
            EXPECT_EQ(picture.width(), width);
            EXPECT_EQ(picture.height(), height);
            if (filterForId(id)) {
                EXPECT_EQ(progress.stored.back(), 100) << "id " << id << " on " << width << "x" << height;
            }
            EXPECT_FALSE(filters.FilterBusy());
            EXPECT_EQ(filters.destBufferBytes(), kIdleBytes);
        }
    }
}

TEST(ApplyFilter, EveryFilterOfTheMenuRunsOnOddSizes)
{
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 6}, {6, 1}, {2, 2}, {7, 5}};
    for (const auto &entries : {std::vector(kFilMenu.begin(), kFilMenu.end()),
                                std::vector(kFilsMenu.begin(), kFilsMenu.end())}) {
        for (const FilterMenuEntry &entry : entries) {
            if (entry.action != MenuAction::Filter || !filterForId(entry.filterId))
                continue;
            for (auto [width, height] : sizes) {
                Filters filters;
                Picture picture = numbered(width, height);
                RecordingProgress progress;
                EXPECT_EQ(filters.ApplyFilter(entry.filterId, picture, entry.parameter, progress),
                          FilterOutcome::Done)
                    << entry.caption;
                EXPECT_EQ(progress.stored.back(), 100) << entry.caption;
                EXPECT_EQ(progress.atTurn.back(), 100) << entry.caption;
            }
        }
    }
}

} // namespace
} // namespace mergola
