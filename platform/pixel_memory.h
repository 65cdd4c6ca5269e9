// Memory for pixels: the filter engine's two buffers and the pictures'
// RGB32 images. Large blocks come straight from the operating system, on
// huge pages where it offers them, and go back to it whole when freed: a
// 50 megapixel picture then costs a few hundred page faults instead of a
// hundred thousand, which is most of what touching fresh memory costs.
// Blocks given back are kept for reuse (see releaseSparePixelMemory).
#pragma once

#include <QImage>
#include <atomic>
#include <cstddef>
#include <mutex>
#include <thread>

namespace mergola {

// bytes of memory, not cleared; throws std::bad_alloc when they cannot be
// had. Give them back with freePixelBytes and the same size.
void *allocatePixelBytes(std::size_t bytes);
void freePixelBytes(void *bytes, std::size_t size) noexcept;

// Large blocks given back are kept, marked for the kernel to take whenever
// it needs the memory, for the next block of the same size. This unmaps
// them for certain, for an owner that has been idle a while; the bytes
// they span.
void releaseSparePixelMemory() noexcept;
std::size_t sparePixelBytes() noexcept;

// Has the kept blocks hold wanted blocks for bytes-sized pixels (at most
// three are kept), mapping and writing the missing ones now: fresh memory
// must be cleared by the kernel before first use, which on some machines
// costs more than a filter itself, and this pays it ahead. Gives up when
// memory cannot be had or is short, and between huge pages once stop is
// set. Small
// sizes, which come from the ordinary heap, need nothing.
void prepareSparePixelBytes(std::size_t bytes, std::size_t wanted, const std::atomic<bool> &stop) noexcept;

// prepareSparePixelBytes on a thread of its own, so that an idle window
// pays for the next filter's memory instead of the user's wait.
class SparePixelPreparation {
public:
    SparePixelPreparation() = default;
    ~SparePixelPreparation(); // stops a preparation under way and waits for it
    SparePixelPreparation(const SparePixelPreparation &) = delete;
    SparePixelPreparation &operator=(const SparePixelPreparation &) = delete;

    // Starts one; one under way looks again once it is done, with these
    // figures, since what it counted may have been taken meanwhile.
    void start(std::size_t bytes, std::size_t wanted);
    bool busy() const;

private:
    void run();

    mutable std::mutex m_mutex;
    std::size_t m_bytes = 0;
    std::size_t m_wanted = 0;
    bool m_again = false;
    bool m_busy = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A width x height RGB32 image (rows of exactly 4 * width bytes) in memory
// from allocatePixelBytes, its pixels not yet set; a null image for a size
// without pixels or when the memory cannot be had. Copies share it as any
// QImage's; the memory goes back when the last one is gone.
QImage allocateRgb32Image(int width, int height);

} // namespace mergola
