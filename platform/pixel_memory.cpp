#include "platform/pixel_memory.h"

#include <array>
#include <cstdio>
#include <cstdint>
#include <limits>
#include <mutex>
#include <new>
#include <system_error>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace mergola {

namespace {

// Smaller images are left to Qt's own allocation, and smaller blocks to
// the heap: they gain nothing here.
constexpr std::size_t kOwnAllocationBytes = std::size_t(2) << 20;

} // namespace

#if defined(__linux__)
namespace {

// Blocks from this size up are mapped on their own, aligned to the huge
// page size so that the kernel can back them with huge pages.
constexpr std::size_t kHugePageBytes = std::size_t(2) << 20;

std::size_t mappedLength(std::size_t bytes)
{
    return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
}

// Large blocks given back are kept for the next block of the same length,
// so that a filter run reuses the memory of the run before instead of
// asking for fresh memory, which the kernel must clear (on a virtual
// machine that costs as much as several passes over the picture). Kept
// blocks are marked MADV_FREE: the kernel may take their pages back at
// once whenever it needs them, without writing them anywhere; a block it
// took comes back cleared on the next write, one it left costs nothing.
class SpareBlocks {
public:
    void *take(std::size_t length)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (std::size_t i = 0; i < m_count; ++i) {
            if (m_blocks[i].length != length)
                continue;
            void *bytes = m_blocks[i].bytes;
            m_blocks[i] = m_blocks[--m_count];
            return bytes;
        }
        return nullptr;
    }

    // Keeps the block, or unmaps it when the kernel cannot take it lazily.
    void give(void *bytes, std::size_t length) noexcept
    {
        if (madvise(bytes, length, MADV_FREE) != 0) {
            munmap(bytes, length);
            return;
        }
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_count == m_blocks.size()) {
            // The oldest goes: it is the least likely to fit what comes next.
            munmap(m_blocks[0].bytes, m_blocks[0].length);
            for (std::size_t i = 1; i < m_count; ++i)
                m_blocks[i - 1] = m_blocks[i];
            --m_count;
        }
        m_blocks[m_count++] = Block{bytes, length};
    }

    std::size_t countOf(std::size_t length)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        std::size_t count = 0;
        for (std::size_t i = 0; i < m_count; ++i)
            count += m_blocks[i].length == length ? 1 : 0;
        return count;
    }

    void release() noexcept
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (std::size_t i = 0; i < m_count; ++i)
            munmap(m_blocks[i].bytes, m_blocks[i].length);
        m_count = 0;
    }

    std::size_t bytes() noexcept
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        std::size_t total = 0;
        for (std::size_t i = 0; i < m_count; ++i)
            total += m_blocks[i].length;
        return total;
    }

private:
    struct Block {
        void *bytes;
        std::size_t length;
    };
    std::mutex m_mutex;
    // A filter run gives back its two buffers, and an undo step dropped
    // from the history its picture.
    std::array<Block, 3> m_blocks{};
    std::size_t m_count = 0;
};

// Never destroyed: a picture freed while static objects go at exit still
// finds it.
SpareBlocks &spareBlocks()
{
    static auto *spares = new SpareBlocks;
    return *spares;
}

// A block of length bytes (whole huge pages) on a huge page boundary, its
// pages not yet touched; null when it cannot be had.
void *mapBlock(std::size_t length) noexcept
{
    // One huge page more than needed, so that an aligned start lies inside.
    const std::size_t spanned = length + kHugePageBytes;
    void *mapped = mmap(nullptr, spanned, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
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

// What the kernel says it could give without swapping (MemAvailable);
// none when it does not say.
std::size_t availableMemoryBytes()
{
    std::FILE *info = std::fopen("/proc/meminfo", "re");
    if (!info)
        return 0;
    unsigned long long kilobytes = 0;
    char line[128];
    while (std::fgets(line, sizeof line, info))
        if (std::sscanf(line, "MemAvailable: %llu kB", &kilobytes) == 1)
            break;
    std::fclose(info);
    return std::size_t(kilobytes) * 1024;
}

// Readying is a guess at what comes next: it takes a block only where
// three more like it would still fit, so that it never pushes the machine
// towards swapping.
constexpr std::size_t kReadyOnlyWithRoomFor = 4;

} // namespace

void *allocatePixelBytes(std::size_t bytes)
{
    if (bytes < kHugePageBytes)
        return ::operator new(bytes);
    if (bytes > std::numeric_limits<std::size_t>::max() - 2 * kHugePageBytes)
        throw std::bad_alloc();
    const std::size_t length = mappedLength(bytes);
    if (void *spare = spareBlocks().take(length))
        return spare;
    if (void *mapped = mapBlock(length))
        return mapped;
    // Kept blocks of other sizes still take address space, which a limit
    // on it may have run out of: without them the block may fit.
    spareBlocks().release();
    if (void *mapped = mapBlock(length))
        return mapped;
    throw std::bad_alloc();
}

void prepareSparePixelBytes(std::size_t bytes, std::size_t wanted, const std::atomic<bool> &stop) noexcept
{
    if (bytes < kHugePageBytes || bytes > std::numeric_limits<std::size_t>::max() - 2 * kHugePageBytes)
        return;
    const std::size_t length = mappedLength(bytes);
    const std::size_t pageBytes = std::size_t(sysconf(_SC_PAGESIZE));
    // Counted afresh for every block: another thread may take one meanwhile.
    for (std::size_t made = 0; made < wanted && spareBlocks().countOf(length) < wanted; ++made) {
        if (availableMemoryBytes() / kReadyOnlyWithRoomFor < length)
            return;
        auto *block = static_cast<volatile std::uint8_t *>(mapBlock(length));
        if (!block)
            return;
        // One write a page has the kernel supply and clear it now; a stop
        // is looked for after every huge page.
        for (std::size_t offset = 0; offset < length; offset += pageBytes) {
            if (offset % kHugePageBytes == 0 && stop.load(std::memory_order_relaxed)) {
                munmap(const_cast<std::uint8_t *>(block), length);
                return;
            }
            block[offset] = 0;
        }
        spareBlocks().give(const_cast<std::uint8_t *>(block), length);
    }
}

void freePixelBytes(void *bytes, std::size_t size) noexcept
{
    if (size < kHugePageBytes)
        ::operator delete(bytes);
    else
        spareBlocks().give(bytes, mappedLength(size));
}

void releaseSparePixelMemory() noexcept
{
    spareBlocks().release();
}

std::size_t sparePixelBytes() noexcept
{
    return spareBlocks().bytes();
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

void prepareSparePixelBytes(std::size_t, std::size_t, const std::atomic<bool> &) noexcept {}

void releaseSparePixelMemory() noexcept {}

std::size_t sparePixelBytes() noexcept
{
    return 0;
}
#endif

SparePixelPreparation::~SparePixelPreparation()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void SparePixelPreparation::start(std::size_t bytes, std::size_t wanted)
{
    if (bytes < kOwnAllocationBytes)
        return;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bytes = bytes;
        m_wanted = wanted;
        m_again = true;
        if (m_busy)
            return;
        m_busy = true;
    }
    // A thread that is done may still be on its way out.
    if (m_thread.joinable())
        m_thread.join();
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error &) {
        // No thread to be had: the memory is then cleared when first used.
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_busy = false;
    }
}

bool SparePixelPreparation::busy() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_busy;
}

void SparePixelPreparation::run()
{
    for (;;) {
        std::size_t bytes = 0;
        std::size_t wanted = 0;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_again || m_stop) {
                m_busy = false;
                return;
            }
            m_again = false;
            bytes = m_bytes;
            wanted = m_wanted;
        }
        prepareSparePixelBytes(bytes, wanted, m_stop);
    }
}

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
