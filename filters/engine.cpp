#include "filters/engine.h"

#include "platform/picture.h"

#include <cstdint>
#include <limits>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace mergola {

namespace {

// Between runs each buffer keeps 2 x 2 pixels, so a large picture's memory
// is not held while no filter runs.
constexpr std::size_t kIdleBufferBytes = 4 * 2 * 2;

// Whatever way ApplyFilter leaves (result written, dropped, out of memory,
// an exception passing through), the buffers give their memory back and
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

#if defined(__linux__)
namespace {

// Buffers from this size up are mapped on their own, aligned to the huge
// page size so that the kernel can back them with huge pages: a 50
// megapixel picture then costs a few hundred page faults instead of
// a hundred thousand.
constexpr std::size_t kHugePageBytes = std::size_t(2) << 20;

std::size_t mappedLength(std::size_t bytes)
{
    return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
}

} // namespace

void *allocatePixelBytes(std::size_t bytes)
{
    if (bytes < kHugePageBytes)
        return ::operator new(bytes);
    if (bytes > std::numeric_limits<std::size_t>::max() - 2 * kHugePageBytes)
        throw std::bad_alloc();
    const std::size_t length = mappedLength(bytes);
    // One huge page more than needed, so that an aligned start lies inside.
    const std::size_t spanned = length + kHugePageBytes;
    void *mapped = mmap(nullptr, spanned, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    if (aligned > start)
        munmap(mapped, aligned - start);
    const std::uintptr_t end = aligned + length;
    if (start + spanned > end)
        munmap(reinterpret_cast<void *>(end), start + spanned - end);
    // Only a hint: without huge pages the buffer works all the same.
    madvise(reinterpret_cast<void *>(aligned), length, MADV_HUGEPAGE);
    return reinterpret_cast<void *>(aligned);
}

void freePixelBytes(void *bytes, std::size_t size) noexcept
{
    if (size < kHugePageBytes)
        ::operator delete(bytes);
    else
        munmap(bytes, mappedLength(size));
}
#else
void *allocatePixelBytes(std::size_t bytes)
{
    return ::operator new(bytes);
}

void freePixelBytes(void *bytes, std::size_t) noexcept
{
    ::operator delete(bytes);
}
#endif

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
