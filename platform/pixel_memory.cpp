#include "platform/pixel_memory.h"

#include <cstdint>
#include <limits>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace mergola {

#if defined(__linux__)
namespace {

// Blocks from this size up are mapped on their own, aligned to the huge
// page size so that the kernel can back them with huge pages.
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

namespace {

struct PixelBlock {
    void *bytes;
    std::size_t size;
};

void releasePixelBlock(void *info)
{
    auto *block = static_cast<PixelBlock *>(info);
    freePixelBytes(block->bytes, block->size);
    delete block;
}

// Smaller images are left to Qt's own allocation: they gain nothing here.
constexpr std::size_t kOwnAllocationBytes = std::size_t(2) << 20;

} // namespace

QImage allocateRgb32Image(int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    constexpr std::size_t kBytesPerPixel = 4;
    const std::size_t rowBytes = std::size_t(width) * kBytesPerPixel;
    if (std::size_t(height) > std::numeric_limits<std::size_t>::max() / rowBytes)
        return {};
    const std::size_t bytes = rowBytes * std::size_t(height);
    if (bytes < kOwnAllocationBytes)
        return QImage(width, height, QImage::Format_RGB32);
    try {
        auto *block = new PixelBlock{allocatePixelBytes(bytes), bytes};
        QImage image(static_cast<uchar *>(block->bytes), width, height, qsizetype(rowBytes), QImage::Format_RGB32,
                     releasePixelBlock, block);
        if (image.isNull())
            releasePixelBlock(block);
        return image;
    } catch (const std::bad_alloc &) {
        return {};
    }
}

} // namespace mergola
