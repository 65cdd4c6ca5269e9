// Memory for pixels: the filter engine's two buffers and the pictures'
// RGB32 images. Large blocks come straight from the operating system, on
// huge pages where it offers them, and go back to it whole when freed: a
// 50 megapixel picture then costs a few hundred page faults instead of a
// hundred thousand, which is most of what touching fresh memory costs.
#pragma once

#include <QImage>
#include <cstddef>

namespace mergola {

// bytes of memory, not cleared; throws std::bad_alloc when they cannot be
// had. Give them back with freePixelBytes and the same size.
void *allocatePixelBytes(std::size_t bytes);
void freePixelBytes(void *bytes, std::size_t size) noexcept;

// A width x height RGB32 image (rows of exactly 4 * width bytes) in memory
// from allocatePixelBytes, its pixels not yet set; a null image for a size
// without pixels or when the memory cannot be had. Copies share it as any
// QImage's; the memory goes back when the last one is gone.
QImage allocateRgb32Image(int width, int height);

} // namespace mergola
