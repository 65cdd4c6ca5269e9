// Memory for pixels: the filter engine's two buffers and the pictures'
// RGB32 images. Large blocks come straight from the operating system, on
// huge pages where it offers them, and go back to it whole when freed: a
// 50 megapixel picture then costs a few hundred page faults instead of a
// hundred thousand, which is most of what touching fresh memory costs.
// Blocks given back are kept for reuse (see releaseSparePixelMemory).
#pragma once

#include <QImage>
#include <cstddef>

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

// A width x height RGB32 image (rows of exactly 4 * width bytes) in memory
// from allocatePixelBytes, its pixels not yet set; a null image for a size
// without pixels or when the memory cannot be had. Copies share it as any
// QImage's; the memory goes back when the last one is gone.
QImage allocateRgb32Image(int width, int height);

} // namespace mergola
