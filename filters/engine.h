// The filter engine: `ApplyFilter` copies a picture into `DestBuffer` and
// `SourceBuffer`, runs the filter of an id over them and writes
// `DestBuffer` back. It refuses to start while another filter runs
// (`FilterBusy`), and shrinks both buffers to 16 bytes after each run.
//
// Re-entry: filters give the event loop a turn after each row, during
// which the user may change the picture. If the picture's size changed
// meanwhile, or the filter was abandoned, the result is dropped instead of
// being written into a picture it no longer fits.
#pragma once

#include "filters/pixel_buffer.h"
#include "filters/progress.h"
#include "filters/random_source.h"
#include "platform/pixel_memory.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace mergola {

class Picture;

constexpr int kLevelTableSize = 766; // entries 0..765: every blue + green + red sum
using LevelTable = std::array<std::int32_t, kLevelTableSize>;

// Memory for the two pixel buffers (platform/pixel_memory.h). A picture is
// copied in as soon as a buffer is sized, so the bytes are not zero-filled
// first.
template <typename T>
struct PixelBufferAllocator {
    using value_type = T;
    using is_always_equal = std::true_type;
    using propagate_on_container_move_assignment = std::true_type;

    PixelBufferAllocator() = default;
    template <typename U>
    PixelBufferAllocator(const PixelBufferAllocator<U> &) noexcept
    {
    }

    T *allocate(std::size_t n) { return static_cast<T *>(allocatePixelBytes(n * sizeof(T))); }
    void deallocate(T *p, std::size_t n) noexcept { freePixelBytes(p, n * sizeof(T)); }

    // Default-initialises: a new byte is left as it is.
    template <typename U>
    void construct(U *p) noexcept
    {
        ::new (static_cast<void *>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U *p, Args &&...args)
    {
        ::new (static_cast<void *>(p)) U(std::forward<Args>(args)...);
    }

    friend bool operator==(const PixelBufferAllocator &, const PixelBufferAllocator &) { return true; }
};

using PixelBytes = std::vector<std::uint8_t, PixelBufferAllocator<std::uint8_t>>;

// What a filter finds in the module while it runs.
struct FilterContext {
    PixelView dest;             // DestBuffer: the result; some filters read it in place
    PixelView source;           // SourceBuffer: the picture as it was; never written
    LevelTable &levelTable;     // scratch; fill the entries you need before reading them
    RandomSource &random;       // the program's one random source
    FilterProgressSink &progress;
};

using FilterFunction = void (*)(FilterContext &context, std::int32_t parameter);

// The engine's progress frame around one pass over the rows
// firstRow..lastRow (counted from 0) of DestBuffer: 0 before the pass,
// (y * 100) \ H after row y (counted from 1 there), 100 after it, each
// report with its turn of the event loop. rowPass(y) runs for each of those
// rows when runRows is set; a picture too narrow for a filter's
// neighbourhood still reports them.
template <class RowPass>
void forEachRowReporting(FilterContext &context, int firstRow, int lastRow, bool runRows, RowPass &&rowPass)
{
    FilterProgressSink &progress = context.progress;
    const int height = context.dest.height;
    progress.store(0);
    for (int y = firstRow; y <= lastRow; ++y) {
        if (runRows)
            rowPass(y);
        progress.reportRow(y + 1, height);
    }
    progress.report(100);
}

// The frame around a pass over every row.
template <class RowPass>
void forEachRowReporting(FilterContext &context, RowPass &&rowPass)
{
    forEachRowReporting(context, 0, context.dest.height - 1, true, rowPass);
}

// The filter of an id, or nullptr for an id that names no filter.
FilterFunction filterForId(std::int32_t filterId);

// `SplitColor`: a colour packed as red + 256 * green + 65536 * blue.
struct SplitRgb {
    std::int32_t red, green, blue;
};
SplitRgb SplitColor(std::int32_t colour);

// How a call of ApplyFilter ended, so that a caller without a window (the
// command line) can tell a failure; the window ignores it.
enum class FilterOutcome {
    Done,        // the result (or, for an unknown id, the unchanged copy) was written back
    Refused,     // another filter was running: nothing was touched
    Dropped,     // the picture changed size or the filter was abandoned: picture left as it is
    OutOfMemory, // the buffers could not be had: picture unchanged
};

class Filters {
public:
    // Runs the filter of filterId over picture. Returns at once, touching
    // nothing, while another filter runs. An unknown id writes the picture
    // back unchanged.
    FilterOutcome ApplyFilter(std::int32_t filterId, Picture &picture, std::int32_t parameter,
                              FilterProgressSink &progress);

    bool FilterBusy() const { return m_busy; }
    std::size_t destBufferBytes() const { return DestBuffer.size(); }
    std::size_t sourceBufferBytes() const { return SourceBuffer.size(); }
    RandomSource &random() { return m_random; }

private:
    PixelBytes DestBuffer;
    PixelBytes SourceBuffer;
    LevelTable m_levelTable{};
    RandomSource m_random;
    bool m_busy = false;
};

} // namespace mergola
