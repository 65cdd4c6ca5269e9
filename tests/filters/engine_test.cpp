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

#include <gtest/gtest.h>

#include <array>
#include <new>
#include <string>
#include <vector>

namespace mergola {
namespace {

using testing::conventionFor;
using testing::FilterHarness;
using testing::RecordingProgress;

constexpr std::size_t kIdleBytes = 16;
constexpr std::int32_t kUnknownIds[] = {-1, 0, 5, 9, 11, 18, 19, 20, 21, 22, 25, 30, 32, 1000};

Picture numbered(int width, int height)
{
    Picture picture(width, height, qRgb(255, 255, 255));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(10 * x + 3, 20 * y + 7, (x * 37 + y * 11) % 256));
    return picture;
}

Picture negated(Picture picture)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, ~picture.pixel(x, y) | 0xFF000000u);
    return picture;
}

// Every filter run of the menu and its submenu.
std::vector<FilterMenuEntry> menuFilters()
{
    std::vector<FilterMenuEntry> entries(kFilsMenu.begin(), kFilsMenu.end());
    for (const FilterMenuEntry &entry : kFilMenu)
        if (entry.action == MenuAction::Filter)
            entries.push_back(entry);
    return entries;
}

void expectIdle(const Filters &filters)
{
    EXPECT_FALSE(filters.FilterBusy());
    EXPECT_EQ(filters.destBufferBytes(), kIdleBytes);
    EXPECT_EQ(filters.sourceBufferBytes(), kIdleBytes);
}

TEST(SplitColor, UnpacksRedGreenBlueFromThePackedColour)
{
    for (auto [colour, red, green, blue] : {std::array{16776960, 0, 255, 255}, std::array{7895040, 0, 120, 120}}) {
        const SplitRgb split = SplitColor(colour);
        EXPECT_EQ((std::array{split.red, split.green, split.blue}), (std::array{red, green, blue})) << colour;
    }
}

TEST(RandomSource, DrawsLieInZeroToOneAndNeverReachOne)
{
    RandomSource random;
    constexpr int kDraws = 1'000'000;
    double sum = 0;
    float lowest = 1.0f, highest = 0.0f;
    for (int i = 0; i < kDraws; ++i) {
        const float u = random.next();
        ASSERT_TRUE(u >= 0.0f && u < 1.0f) << u;
        sum += u, lowest = std::min(lowest, u), highest = std::max(highest, u);
    }
    // A uniform mean over a million draws strays about 0.0003; 0.005 is far
    // beyond chance, yet catches a skewed or stuck generator.
    EXPECT_NEAR(sum / kDraws, 0.5, 0.005);
    EXPECT_LT(lowest, 0.001f);
    EXPECT_GT(highest, 0.999f);
}

TEST(FilterTable, MapsEveryIdToItsFilterAndOtherIdsToNone)
{
    const std::pair<std::int32_t, FilterFunction> table[] = {
        {filter_ids::Sharpen, SharpenFilter},     {filter_ids::Negative, NegativeFilter},
        {filter_ids::Blur, BlurFilter},           {filter_ids::Deffuse, DeffuseFilter},
        {filter_ids::Edge, EdgeFilter},           {filter_ids::Contour, ContourFilter},
        {filter_ids::Emboss, EmbossFilter},       {filter_ids::Engrave, EngraveFilter},
        {filter_ids::Greyscale, GreyscaleFilter}, {filter_ids::Relief, ReliefFilter},
        {filter_ids::LightDark, LightDarkFilter}, {filter_ids::Pixelize, PixelizeFilter},
        {filter_ids::SwapColors, SwapColorsFilter}, {filter_ids::Contrast, ContrastFilter},
        {filter_ids::Coldept, ColdeptFilter},     {filter_ids::Aqua, AquaFilter},
        {filter_ids::Addnoise, AddnoiseFilter},   {filter_ids::Gamma, GammaFilter}};
    for (auto [id, filter] : table)
        EXPECT_EQ(filterForId(id), filter) << "id " << id;
    for (std::int32_t id : kUnknownIds)
        EXPECT_EQ(filterForId(id), nullptr) << "id " << id;
}

TEST(FilterTable, EveryFilterWithAnyParameterRunsOnOddSizesToItsEndLeavingTheFourthByte)
{
    std::vector<std::pair<std::int32_t, std::int32_t>> runs;
    for (const FilterMenuEntry &entry : menuFilters())
        runs.emplace_back(entry.filterId, entry.parameter);
    for (std::int32_t id = 1; id <= 31; ++id)
        for (std::int32_t parameter : {-100000, -10, -1, 0, 1, 2, 255, 7895040, 2147483647})
            if (filterForId(id))
                runs.emplace_back(id, parameter);
    for (auto [width, height] : {std::pair{0, 0}, {5, 0}, {0, 4}, {1, 1}, {1, 6}, {6, 1}, {2, 2}, {9, 7}}) {
        for (auto [id, parameter] : runs) {
            FilterHarness harness(width, height);
            harness.randomize(unsigned(id));
            const std::vector<std::uint8_t> before = harness.dest;
            harness.run(filterForId(id), parameter);
            const std::string run = "id " + std::to_string(id) + " parameter " + std::to_string(parameter) + " on " +
                                    std::to_string(width) + "x" + std::to_string(height);
            for (std::size_t i = 3; i < before.size(); i += 4)
                ASSERT_EQ(harness.dest[i], before[i]) << run << " byte " << i;
            ASSERT_EQ(harness.progress.stored.back(), 100) << run;
            ASSERT_EQ(harness.progress.atTurn.back(), 100) << run;
        }
    }
}

TEST(ApplyFilter, RunsTheFilterAndWritesTheResultBackWithTheConventionalProgress)
{
    Filters filters;
    Picture picture = numbered(5, 3);
    const Picture expected = negated(picture);
    RecordingProgress progress;
    progress.onTurn = [&] {
        EXPECT_TRUE(filters.FilterBusy());
        EXPECT_EQ(filters.destBufferBytes(), 4u * 5 * 3) << "both buffers hold the whole picture while it runs";
        EXPECT_EQ(filters.sourceBufferBytes(), 4u * 5 * 3);
    };

    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, progress), FilterOutcome::Done);

    EXPECT_EQ(picture.image(), expected.image());
    EXPECT_EQ(progress.stored, (testing::Progress{0, 33, 66, 100, 100}));
    EXPECT_EQ(progress.atTurn, (testing::Progress{33, 66, 100, 100}));
    expectIdle(filters);
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
    progress.onTurn = [&] { EXPECT_EQ(filters.sourceBufferBytes(), std::size_t(4) * kWidth * kHeight); };

    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, progress), FilterOutcome::Done);

    EXPECT_EQ(picture.pixel(0, 0), qRgb(245, 235, 225));
    EXPECT_EQ(picture.pixel(kWidth - 1, kHeight - 1), qRgb(55, 155, 255));
    expectIdle(filters);
}

TEST(ApplyFilter, RefusesAFilterDuringARunAndWritesOverAMirrorMadeMeanwhile)
{
    Filters filters;
    Picture picture = numbered(4, 3);
    const Picture expected = negated(picture);
    Picture other = numbered(2, 2);
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
    EXPECT_EQ(progress.stored, conventionFor(3));
    EXPECT_EQ(picture.image(), expected.image()) << "negated once, by the running filter only";
    EXPECT_EQ(other.image(), numbered(2, 2).image());
    expectIdle(filters);
}

TEST(ApplyFilter, DropsTheResultWhenThePictureChangedSizeOrTheFilterWasAbandoned)
{
    Filters filters;
    Picture picture = numbered(5, 4);
    RecordingProgress progress;
    progress.onTurn = [&] {
        if (picture.width() == 5) {
            // The user sets another working size and combines again.
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
    picture = numbered(4, 5);
    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, abandoning), FilterOutcome::Dropped);
    EXPECT_EQ(abandoning.turns, 2);
    EXPECT_EQ(picture.image(), numbered(4, 5).image()) << "the rows already filtered are not written back";
    expectIdle(filters);
    EXPECT_EQ(filters.ApplyFilter(filter_ids::Negative, picture, 0, progress), FilterOutcome::Done) << "runs again";
    EXPECT_EQ(picture.image(), negated(numbered(4, 5)).image());
}

TEST(ApplyFilter, LeavesThePictureUnchangedWhenMemoryRunsOutDuringTheRun)
{
    Filters filters;
    Picture picture = numbered(3, 3);
    RecordingProgress progress;
    progress.onTurn = [] { throw std::bad_alloc(); };
    EXPECT_EQ(filters.ApplyFilter(filter_ids::Contrast, picture, 10, progress), FilterOutcome::OutOfMemory);
    EXPECT_EQ(picture.image(), numbered(3, 3).image());
    expectIdle(filters);
}

TEST(ApplyFilter, RunsEveryIdOnPicturesWithoutPixelsAndWritesBackUnchangedForAnUnknownId)
{
    for (std::int32_t id = -1; id <= 32; ++id) {
        Filters filters;
        for (auto [width, height] : {std::pair{0, 0}, std::pair{5, 0}, std::pair{0, 4}}) {
            Picture picture(width, height, qRgb(255, 255, 255));
            RecordingProgress progress;
            EXPECT_EQ(filters.ApplyFilter(id, picture, 6, progress), FilterOutcome::Done) << "id " << id;
            EXPECT_EQ(QSize(picture.width(), picture.height()), QSize(width, height));
            expectIdle(filters);
        }
        if (filterForId(id))
            continue;
        Picture picture = numbered(6, 4);
        RecordingProgress progress;
        EXPECT_EQ(filters.ApplyFilter(id, picture, 3, progress), FilterOutcome::Done) << "id " << id;
        EXPECT_EQ(picture.image(), numbered(6, 4).image()) << "id " << id;
        EXPECT_TRUE(progress.stored.empty()) << "no filter ran, so no progress";
        expectIdle(filters);
    }
}

} // namespace
} // namespace mergola
