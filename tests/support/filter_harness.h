// Runs one filter function over small hand-made pictures the way the engine
// does: DestBuffer and SourceBuffer start as two identical copies. Records
// every progress value stored and the value standing at each event-loop turn.
#pragma once

#include "filters/engine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <utility>
#include <vector>

namespace mergola::testing {

struct RecordingProgress final : FilterProgressSink {
    std::vector<std::int32_t> stored;  // every store, in order
    std::vector<std::int32_t> atTurn;  // the last stored value at each turn
    std::function<void()> onTurn;      // what the "user" does during a turn

    void store(std::int32_t percent) override { stored.push_back(percent); }
    void yield() override
    {
        atTurn.push_back(stored.empty() ? -1 : stored.back());
        if (onTurn)
            onTurn();
    }
};

using Progress = std::vector<std::int32_t>;

// 0, (y * 100) \ H after each row y from first to last (counted from 1),
// 100 at the end: what a filter that follows the engine's convention stores
// for a picture of `rows` rows when its pass covers those rows.
inline Progress conventionFor(int rows, int first = 1, int last = -1)
{
    Progress values{0};
    for (int y = first; y <= (last < 0 ? rows : last); ++y)
        values.push_back(y * 100 / rows);
    values.push_back(100);
    return values;
}

struct Bgr {
    int blue, green, red;
    bool operator==(const Bgr &) const = default;
};

class FilterHarness {
    int m_width;
    int m_height;

public:
    FilterHarness(int width, int height, std::uint8_t value = 0)
        : m_width(width), m_height(height),
          dest(std::size_t(width) * std::size_t(height) * kBytesPerPixel, value)
    {
        // The fourth byte carries a marker so tests can see that no filter touches it.
        for (std::size_t i = 3; i < dest.size(); i += 4)
            dest[i] = std::uint8_t(0xA0 + (i / 4) % 16);
    }

    int width() const { return m_width; }
    int height() const { return m_height; }

    // Random levels from low to high in blue, green and red; the fourth byte keeps its marker.
    void randomize(unsigned seed, int low = 0, int high = 255)
    {
        std::mt19937 generator(seed);
        std::uniform_int_distribution<int> level(low, high);
        for (std::size_t i = 0; i < dest.size(); ++i)
            if (i % 4 != 3)
                dest[i] = std::uint8_t(level(generator));
    }
    void fill(Bgr c)
    {
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                set(x, y, c);
    }

    std::uint8_t &at(int x, int y, int c) { return dest[(std::size_t(y) * m_width + x) * 4 + c]; }
    int channel(int x, int y, int c) const { return dest[(std::size_t(y) * m_width + x) * 4 + c]; }
    void set(int x, int y, Bgr c)
    {
        at(x, y, kBlue) = std::uint8_t(c.blue);
        at(x, y, kGreen) = std::uint8_t(c.green);
        at(x, y, kRed) = std::uint8_t(c.red);
    }
    void setAll(int x, int y, int v) { set(x, y, {v, v, v}); }
    Bgr get(int x, int y) const { return {channel(x, y, kBlue), channel(x, y, kGreen), channel(x, y, kRed)}; }
    std::vector<Bgr> pixels() const
    {
        std::vector<Bgr> all;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                all.push_back(get(x, y));
        return all;
    }

    // Copies dest into source, then runs the filter over the two.
    void run(FilterFunction filter, std::int32_t parameter)
    {
        source = dest;
        FilterContext context{PixelView{dest.data(), m_width, m_height},
                              PixelView{source.data(), m_width, m_height}, levelTable, random, progress};
        filter(context, parameter);
    }

    std::vector<std::uint8_t> dest;
    std::vector<std::uint8_t> source;
    LevelTable levelTable{};
    RandomSource random;
    RecordingProgress progress;
};

// Random pictures of the given sizes, levels from low to high, each with a seed of its own.
inline std::vector<FilterHarness> randomPictures(std::initializer_list<std::pair<int, int>> sizes, unsigned seed,
                                                 int low = 0, int high = 255)
{
    std::vector<FilterHarness> pictures;
    for (auto [width, height] : sizes) {
        pictures.emplace_back(width, height);
        pictures.back().randomize(++seed, low, high);
    }
    return pictures;
}

// Runs the filter over each picture: DestBuffer must come out as the
// reference makes it, SourceBuffer unwritten, and the random source must
// have given exactly the draws the reference took.
inline void expectAsReference(FilterFunction filter, std::int32_t p, const std::vector<FilterHarness> &pictures,
                              const std::function<FilterHarness(FilterHarness)> &reference)
{
    for (const FilterHarness &original : pictures) {
        FilterHarness picture = original;
        picture.run(filter, p);
        FilterHarness expected = reference(original);
        EXPECT_EQ(picture.dest, expected.dest) << "parameter " << p << " on " << original.width() << "x"
                                               << original.height();
        EXPECT_EQ(picture.source, original.dest) << "SourceBuffer is never written";
        EXPECT_EQ(picture.random.next(), expected.random.next()) << "as many draws as the reference";
    }
}

} // namespace mergola::testing
