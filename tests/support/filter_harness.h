// Runs one filter function over small hand-made pictures the way the engine
// does: DestBuffer and SourceBuffer start as two identical copies. Records
// every progress value stored and the value standing at each event-loop turn.
#pragma once

#include "filters/engine.h"

#include <cstdint>
#include <functional>
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

    void set(int x, int y, Bgr c)
    {
        std::uint8_t *p = &dest[(std::size_t(y) * m_width + x) * 4];
        p[0] = std::uint8_t(c.blue);
        p[1] = std::uint8_t(c.green);
        p[2] = std::uint8_t(c.red);
    }
    void setAll(int x, int y, int v) { set(x, y, {v, v, v}); }
    Bgr get(int x, int y) const
    {
        const std::uint8_t *p = &dest[(std::size_t(y) * m_width + x) * 4];
        return {p[0], p[1], p[2]};
    }
    int channel(int x, int y, int c) const { return dest[(std::size_t(y) * m_width + x) * 4 + c]; }
    std::uint8_t fourth(int x, int y) const { return dest[(std::size_t(y) * m_width + x) * 4 + 3]; }

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

} // namespace mergola::testing
