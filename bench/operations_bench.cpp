// Speed of every operation the window and the command line run, on whole
// pictures of 640 x 480, 12 and 48 megapixels: each filter of the filter
// menu through the engine (its copies included), the mirrors, the border,
// the three combine modes with slots at and off the working size, loading
// BMP, JPG and GIF files and saving BMP and JPG. Beside each figure stand
// two baselines measured in the same program on a picture of the same
// size, a memcpy of the picture and a plain in-place 3 x 3 loop; the
// counters vs_memcpy and vs_3x3 give the operation's time over theirs.
#include "combine/combine.h"
#include "filters/engine.h"
#include "filters/filter_menu.h"
#include "output/bmp_file.h"
#include "output/jpeg_converter.h"
#include "platform/image_file.h"
#include "platform/picture.h"
#include "tools/border.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace mergola;
using Clock = std::chrono::steady_clock;

struct SilentProgress final : FilterProgressSink {
    void store(std::int32_t) override {}
    void yield() override {}
};

// Smooth areas with noise over them: not as kind to the JPG coder as a
// flat picture, not as hard as pure noise.
Picture makePicture(int width, int height, unsigned seed)
{
    Picture picture(width, height, qRgb(255, 255, 255));
    std::minstd_rand random(seed);
    for (int y = 0; y < height; ++y) {
        QRgb *row = picture.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const unsigned noise = random() & 0x1F;
            row[x] = qRgb((x * 255 / width + noise) & 0xFF, (y * 255 / height + noise) & 0xFF, (x + y + noise) & 0xFF);
        }
    }
    return picture;
}

// One picture per size and seed, made on first use.
const Picture &pictureOfSize(int width, int height, unsigned seed = 1)
{
    static std::map<std::tuple<int, int, unsigned>, std::unique_ptr<Picture>> pictures;
    auto &picture = pictures[{width, height, seed}];
    if (!picture)
        picture = std::make_unique<Picture>(makePicture(width, height, seed));
    return *picture;
}

double milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// The best of a few runs of f, in milliseconds.
double bestOf(const std::function<void()> &f)
{
    constexpr int kRuns = 5;
    double best = 1e300;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        f();
        best = std::min(best, milliseconds(Clock::now() - start));
    }
    return best;
}

// In place and running, as Blur is: neighbours above and to the left are
// already replaced. Three channels, the fourth byte untouched.
void plainThreeByThree(std::uint8_t *pixels, int width, int height)
{
    const std::size_t stride = std::size_t(width) * 4;
    for (int y = 1; y < height - 1; ++y) {
        std::uint8_t *above = pixels + (y - 1) * stride;
        std::uint8_t *here = above + stride;
        std::uint8_t *below = here + stride;
        for (int x = 1; x < width - 1; ++x)
            for (int k = 0; k < 3; ++k) {
                const int i = x * 4 + k;
                const int sum = above[i - 4] + above[i] + above[i + 4] + here[i - 4] + here[i] + here[i + 4] +
                                below[i - 4] + below[i] + below[i + 4];
                here[i] = std::uint8_t(sum / 9);
            }
    }
}

struct Baselines {
    double memcpyMs;
    double threeByThreeMs;
};

const Baselines &baselinesFor(int width, int height)
{
    static std::map<std::pair<int, int>, Baselines> known;
    auto found = known.find({width, height});
    if (found != known.end())
        return found->second;
    const std::size_t bytes = std::size_t(width) * std::size_t(height) * 4;
    std::vector<std::uint8_t> from(bytes, 1), to(bytes, 2);
    Baselines baselines{};
    baselines.memcpyMs = bestOf([&] {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
    });
    baselines.threeByThreeMs = bestOf([&] {
        plainThreeByThree(to.data(), width, height);
        benchmark::DoNotOptimize(to.data());
    });
    return known.emplace(std::make_pair(width, height), baselines).first->second;
}

// Runs body once an iteration, setup (untimed) before each, and sets the
// ratio counters from the mean time of an iteration.
void measure(benchmark::State &state, const std::function<void()> &setup, const std::function<void()> &body)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    const Baselines &baselines = baselinesFor(width, height);
    Clock::duration spent{};
    for (auto _ : state) {
        state.PauseTiming();
        setup();
        state.ResumeTiming();
        const auto start = Clock::now();
        body();
        spent += Clock::now() - start;
        benchmark::ClobberMemory();
    }
    const double meanMs = milliseconds(spent) / double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["vs_memcpy"] = meanMs / baselines.memcpyMs;
    state.counters["vs_3x3"] = meanMs / baselines.threeByThreeMs;
    state.SetItemsProcessed(state.iterations() * width * height);
}

void sizes(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Args({640, 480})->Args({4000, 3000})->Args({8000, 6000})->Unit(benchmark::kMillisecond);
    benchmark->UseRealTime();
}

void baselineMemcpy(benchmark::State &state)
{
    const std::size_t bytes = std::size_t(state.range(0)) * std::size_t(state.range(1)) * 4;
    std::vector<std::uint8_t> from(bytes, 1), to(bytes, 2);
    measure(state, [] {}, [&] { std::memcpy(to.data(), from.data(), bytes); });
}

void baselineThreeByThree(benchmark::State &state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(height) * 4, 7);
    measure(state, [] {}, [&] { plainThreeByThree(pixels.data(), width, height); });
}

// A picture to work on, put back to the original before each iteration.
struct WorkPicture {
    const Picture &original;
    Picture picture;
    explicit WorkPicture(benchmark::State &state)
        : original(pictureOfSize(int(state.range(0)), int(state.range(1)))), picture(original)
    {
    }
    void reset() { picture = original; }
};

void filter(benchmark::State &state, std::int32_t id, std::int32_t parameter)
{
    WorkPicture work(state);
    Filters filters;
    SilentProgress progress;
    // A fresh copy, not a shared one: the engine writes into it.
    measure(state, [&] { work.picture.copyFromBuffer(work.original.image().constBits()); },
            [&] { filters.ApplyFilter(id, work.picture, parameter, progress); });
}

void mirrorHorizontal(benchmark::State &state)
{
    WorkPicture work(state);
    work.picture.mirrorHorizontal(); // its own pixels from here on
    measure(state, [] {}, [&] { work.picture.mirrorHorizontal(); });
}

void mirrorVertical(benchmark::State &state)
{
    WorkPicture work(state);
    work.picture.mirrorVertical();
    measure(state, [] {}, [&] { work.picture.mirrorVertical(); });
}

void border(benchmark::State &state)
{
    WorkPicture work(state);
    measure(state, [] {}, [&] { drawBorder(work.picture); });
}

// Slots at the working size (as the window and the command line keep
// them), or at three quarters of it, which the stretch has to sample.
void combine(benchmark::State &state, std::int16_t mode, bool slotsAtWorkingSize)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    const int slotWidth = slotsAtWorkingSize ? width : width * 3 / 4;
    const int slotHeight = slotsAtWorkingSize ? height : height * 3 / 4;
    const Picture &foto1 = pictureOfSize(slotWidth, slotHeight, 1);
    const Picture &foto2 = pictureOfSize(slotWidth, slotHeight, 2);
    // A new result each time, as the command line makes it.
    std::unique_ptr<Picture> pict;
    measure(state, [&] { pict = std::make_unique<Picture>(0, 0, qRgb(255, 255, 255)); },
            [&] { CombineResult(mode, foto1, foto2, *pict, width, height); });
}

QTemporaryDir &scratch()
{
    static QTemporaryDir dir;
    return dir;
}

QString converterDir()
{
    return QStringLiteral(MERGOLA_BENCH_CONVERTER_DIR);
}

// Qt writes no GIF, so here is the simplest one that is valid: the picture
// in 256 colours (3 bits red, 3 green, 2 blue), its LZW data made only of
// literal codes with a clear code often enough that the codes stay 9 bits.
QByteArray plainGif(const Picture &picture)
{
    constexpr int kLiteralsPerClear = 254;
    constexpr int kClear = 256;
    constexpr int kEnd = 257;
    const int width = picture.width();
    const int height = picture.height();
    QByteArray gif("GIF89a");
    const auto put16 = [&](int value) {
        gif.append(char(value & 0xFF));
        gif.append(char(value >> 8));
    };
    put16(width);
    put16(height);
    gif.append(char(0xF7)); // global table of 256 colours
    gif.append('\0');
    gif.append('\0');
    for (int i = 0; i < 256; ++i) {
        gif.append(char((i >> 5) * 255 / 7));
        gif.append(char((i >> 2 & 7) * 255 / 7));
        gif.append(char((i & 3) * 255 / 3));
    }
    gif.append(',');
    put16(0);
    put16(0);
    put16(width);
    put16(height);
    gif.append('\0');
    gif.append(char(8)); // minimum code size
    QByteArray data;
    std::uint32_t bits = 0;
    int count = 0;
    const auto code = [&](int value) {
        bits |= std::uint32_t(value) << count;
        for (count += 9; count >= 8; count -= 8, bits >>= 8)
            data.append(char(bits & 0xFF));
    };
    int literals = 0;
    code(kClear);
    for (int y = 0; y < height; ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(picture.image().constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (literals++ == kLiteralsPerClear) {
                code(kClear);
                literals = 1;
            }
            code((qRed(row[x]) >> 5) << 5 | (qGreen(row[x]) >> 5) << 2 | qBlue(row[x]) >> 6);
        }
    }
    code(kEnd);
    if (count > 0)
        data.append(char(bits & 0xFF));
    constexpr int kSubBlock = 255;
    for (qsizetype at = 0; at < data.size(); at += kSubBlock) {
        const int length = int(std::min<qsizetype>(kSubBlock, data.size() - at));
        gif.append(char(length));
        gif.append(data.constData() + at, length);
    }
    gif.append('\0');
    gif.append(';');
    return gif;
}

// A file of the picture of this size in format, written once.
QString pictureFile(benchmark::State &state, const char *format)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    const QString path =
        scratch().filePath(QStringLiteral("%1x%2.%3").arg(width).arg(height).arg(QLatin1String(format)));
    if (QFileInfo::exists(path))
        return path;
    const Picture &picture = pictureOfSize(width, height);
    if (std::strcmp(format, "bmp") == 0) {
        writeBmpFile(picture, path);
    } else if (std::strcmp(format, "gif") == 0) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(plainGif(picture)) < 0)
            return {};
    } else {
        QImageWriter writer(path, format);
        writer.setQuality(75);
        writer.write(picture.image());
    }
    return path;
}

void load(benchmark::State &state, const char *format)
{
    const QString path = pictureFile(state, format);
    if (path.isEmpty()) {
        state.SkipWithError("no encoder for this format here");
        return;
    }
    measure(state, [] {}, [&] { benchmark::DoNotOptimize(decodePictureFile(path).image.constBits()); });
}

void saveBmp(benchmark::State &state)
{
    const Picture &picture = pictureOfSize(int(state.range(0)), int(state.range(1)));
    const QString path = scratch().filePath(QStringLiteral("saved.bmp"));
    measure(state, [] {}, [&] { writeBmpFile(picture, path); });
}

// As the command line saves: the pixels straight to the converter.
void saveJpg(benchmark::State &state)
{
    const Picture &picture = pictureOfSize(int(state.range(0)), int(state.range(1)));
    const QString path = scratch().filePath(QStringLiteral("saved.jpg"));
    measure(state, [] {}, [&] { writeJpegFromPixels(picture, path, 75, converterDir()); });
}

// As the window saves: through the temporary BMP.
void saveJpgThroughBmp(benchmark::State &state)
{
    const Picture &picture = pictureOfSize(int(state.range(0)), int(state.range(1)));
    const QString path = scratch().filePath(QStringLiteral("saved-window.jpg"));
    const QString temporary = scratch().filePath(QStringLiteral("mydummy.bmp"));
    measure(state, [] {}, [&] { writeJpegFile(picture, path, 75, converterDir(), temporary); });
}

void registerAll()
{
    benchmark::RegisterBenchmark("Baseline/memcpy", baselineMemcpy)->Apply(sizes);
    benchmark::RegisterBenchmark("Baseline/plain3x3", baselineThreeByThree)->Apply(sizes);
    const auto addFilter = [](const FilterMenuEntry &entry) {
        if (entry.action != MenuAction::Filter)
            return;
        const std::string name = "Filter/" + std::string(entry.cliName);
        benchmark::RegisterBenchmark(name.c_str(), filter, entry.filterId, entry.parameter)->Apply(sizes);
    };
    for (const FilterMenuEntry &entry : kFilMenu)
        addFilter(entry);
    for (const FilterMenuEntry &entry : kFilsMenu)
        addFilter(entry);
    benchmark::RegisterBenchmark("Mirror/horizontal", mirrorHorizontal)->Apply(sizes);
    benchmark::RegisterBenchmark("Mirror/vertical", mirrorVertical)->Apply(sizes);
    benchmark::RegisterBenchmark("Border", border)->Apply(sizes);
    for (const CombineMode &mode : kCombineModes)
        for (const bool atSize : {true, false}) {
            const std::string name =
                "Combine/" + std::string(mode.cliName) + (atSize ? "/slots-at-size" : "/slots-off-size");
            benchmark::RegisterBenchmark(name.c_str(), combine, mode.index, atSize)->Apply(sizes);
        }
    for (const char *format : {"bmp", "jpg", "gif"})
        benchmark::RegisterBenchmark(("Load/" + std::string(format)).c_str(), load, format)->Apply(sizes);
    benchmark::RegisterBenchmark("Save/bmp", saveBmp)->Apply(sizes);
    benchmark::RegisterBenchmark("Save/jpg", saveJpg)->Apply(sizes);
    benchmark::RegisterBenchmark("Save/jpg-through-bmp", saveJpgThroughBmp)->Apply(sizes);
}

} // namespace

int main(int argc, char **argv)
{
    // Qt's image plugins (the JPG reader among them) want an application.
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
