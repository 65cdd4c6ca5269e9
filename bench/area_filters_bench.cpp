// Speed of the area filters (Sharpen, Blur, Edge, Emboss, Engrave, Contour,
// Relief, Aqua) on random pictures of VGA, 12 and 50 megapixels, with the
// parameters the filter menu passes. Each iteration starts from the same
// picture in both buffers, as the engine does; the copy is not timed.
#include "filters/aqua.h"
#include "filters/convolution.h"
#include "filters/filter_menu.h"
#include "filters/relief.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace mergola;

struct SilentProgress final : FilterProgressSink {
    void store(std::int32_t) override {}
    void yield() override {}
};

struct BenchPicture {
    int width, height;
    std::vector<std::uint8_t> original, dest, source;

    BenchPicture(int w, int h) : width(w), height(h), original(std::size_t(w) * std::size_t(h) * kBytesPerPixel)
    {
        std::mt19937 random(1);
        for (auto &byte : original)
            byte = std::uint8_t(random());
        dest = original;
        source = original;
    }
};

// One picture per size, made on first use and kept for every filter.
BenchPicture &pictureOfSize(int width, int height)
{
    static std::vector<std::unique_ptr<BenchPicture>> pictures;
    for (auto &picture : pictures)
        if (picture->width == width && picture->height == height)
            return *picture;
    pictures.push_back(std::make_unique<BenchPicture>(width, height));
    return *pictures.back();
}

void runFilter(benchmark::State &state, FilterFunction filter, std::int32_t parameter)
{
    BenchPicture &picture = pictureOfSize(int(state.range(0)), int(state.range(1)));
    LevelTable levelTable{};
    RandomSource random;
    SilentProgress progress;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(picture.dest.data(), picture.original.data(), picture.original.size());
        state.ResumeTiming();
        FilterContext context{PixelView{picture.dest.data(), picture.width, picture.height},
                              PixelView{picture.source.data(), picture.width, picture.height}, levelTable, random,
                              progress};
        filter(context, parameter);
        benchmark::DoNotOptimize(picture.dest.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

// VGA, 12 megapixels, 50 megapixels.
void sizes(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Args({640, 480})->Args({4000, 3000})->Args({8165, 6124})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK_CAPTURE(runFilter, Sharpen, SharpenFilter, 2)->Apply(sizes);
BENCHMARK_CAPTURE(runFilter, Blur, BlurFilter, 0)->Apply(sizes);
BENCHMARK_CAPTURE(runFilter, Edge, EdgeFilter, 1)->Apply(sizes);
BENCHMARK_CAPTURE(runFilter, Emboss, EmbossFilter, kDarkCyan)->Apply(sizes);
BENCHMARK_CAPTURE(runFilter, Engrave, EngraveFilter, kDarkCyan)->Apply(sizes);
BENCHMARK_CAPTURE(runFilter, Contour, ContourFilter, kCyan)->Apply(sizes);
BENCHMARK_CAPTURE(runFilter, Relief, ReliefFilter, 0)->Apply(sizes);
BENCHMARK_CAPTURE(runFilter, Aqua, AquaFilter, 0)->Apply(sizes);

BENCHMARK_MAIN();
