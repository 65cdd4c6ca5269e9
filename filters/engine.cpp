#include "filters/engine.h"

#include "platform/picture.h"

#include <cstdint>
#include <limits>
#include <new>
#include <utility>

namespace mergola {

namespace {

// Between runs each buffer keeps 2 x 2 pixels. A large picture's blocks go
// back to pixel memory, which keeps them for the next run marked for the
// kernel to take whenever it needs them (platform/pixel_memory.h), so the
// next run need not have fresh memory cleared.
constexpr std::size_t kIdleBufferBytes = 4 * 2 * 2;

// Whatever way ApplyFilter leaves (result written, dropped, out of memory,
// an exception passing through), the buffers give their blocks back and
// the next filter may start.
class RunGuard {
public:
    // The small idle buffers are had up front, so that the destructor
    // cannot fail.
    RunGuard(bool &busy, PixelBytes &dest, PixelBytes &source)
        : m_busy(busy), m_dest(dest), m_source(source), m_idleDest(kIdleBufferBytes),
          m_idleSource(kIdleBufferBytes)
    {
        m_busy = true;
    }
    ~RunGuard()
    {
        // Moving fresh vectors in releases the large storage for certain,
        // which shrink_to_fit only asks for.
        m_dest = std::move(m_idleDest);
        m_source = std::move(m_idleSource);
        m_busy = false;
    }
    RunGuard(const RunGuard &) = delete;
    RunGuard &operator=(const RunGuard &) = delete;

private:
    bool &m_busy;
    PixelBytes &m_dest;
    PixelBytes &m_source;
    PixelBytes m_idleDest;
    PixelBytes m_idleSource;
};

} // namespace

FilterOutcome Filters::ApplyFilter(std::int32_t filterId, Picture &picture, std::int32_t parameter,
                                   FilterProgressSink &progress)
{
    // A second request during a running filter's event-loop turn.
    if (m_busy)
        return FilterOutcome::Refused;
    RunGuard guard(m_busy, DestBuffer, SourceBuffer);

    const int width = picture.width();
    const int height = picture.height();
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    // Two buffers of 4 bytes a pixel must be addressable at all.
    if (pixels > std::numeric_limits<std::size_t>::max() / (2 * kBytesPerPixel))
        return FilterOutcome::OutOfMemory;
    const std::size_t bytes = pixels * kBytesPerPixel;

    try {
        DestBuffer.resize(bytes);
        SourceBuffer.resize(bytes);
    } catch (const std::bad_alloc &) {
        return FilterOutcome::OutOfMemory;
    }
    picture.copyToBuffer(DestBuffer.data());
    picture.copyToBuffer(SourceBuffer.data());

    if (const FilterFunction filter = filterForId(filterId)) {
        FilterContext context{PixelView{DestBuffer.data(), width, height},
                              PixelView{SourceBuffer.data(), width, height}, m_levelTable, m_random, progress};
        try {
            filter(context, parameter);
        } catch (const FilterAbandoned &) {
            return FilterOutcome::Dropped;
        } catch (const std::bad_alloc &) {
            // A filter's own working rows could not be had; the picture is untouched.
            return FilterOutcome::OutOfMemory;
        }
    }

    // During the filter's event-loop turns the user may have loaded,
    // combined or resized: a result of the old size no longer fits.
    if (picture.width() != width || picture.height() != height)
        return FilterOutcome::Dropped;
    picture.copyFromBuffer(DestBuffer.data());
    return FilterOutcome::Done;
}

} // namespace mergola
