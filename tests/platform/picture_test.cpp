#include "platform/picture.h"
#include "platform/pixel_memory.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <QFile>

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <vector>

using namespace mergola;

namespace {

// Every pixel tells where it is: red = x, green = y.
Picture numbered(int w, int h)
{
    Picture p(w, h, qRgb(255, 255, 255));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setPixel(x, y, qRgb(x, y, x ^ y));
    return p;
}

} // namespace

TEST(Picture, ResizeKeepsTheTopLeftAndFillsNewAreaWithTheFillColour)
{
    Picture p = numbered(4, 3);
    p.setFillColor(qRgb(1, 2, 3));
    ASSERT_TRUE(p.resize(6, 2));
    EXPECT_EQ(QSize(p.width(), p.height()), QSize(6, 2));
    EXPECT_EQ(p.pixel(3, 1), qRgb(3, 1, 2));
    EXPECT_EQ(p.pixel(4, 0), qRgb(1, 2, 3));
    EXPECT_EQ(p.pixel(5, 1), qRgb(1, 2, 3));
    EXPECT_EQ(p.pixel(0, 2), 0u) << "outside the picture reads as 0";
}

TEST(Picture, StretchCopiesEqualSizesExactlyAndSamplesNearestNeighbourOnEachAxisSeparately)
{
    const Picture source = numbered(7, 5);
    Picture same(7, 5, qRgb(0, 0, 0));
    same.drawStretched(source, QRect(0, 0, 7, 5));
    EXPECT_EQ(same.image(), source.image());

    // Halving the width of 4 x 2 takes source columns 1 and 3; doubling the height repeats rows.
    Picture target(2, 4, qRgb(0, 0, 0));
    target.drawStretched(numbered(4, 2), QRect(0, 0, 2, 4));
    const QRgb expected[4][2] = {{qRgb(1, 0, 1), qRgb(3, 0, 3)}, {qRgb(1, 0, 1), qRgb(3, 0, 3)},
                                 {qRgb(1, 1, 0), qRgb(3, 1, 2)}, {qRgb(1, 1, 0), qRgb(3, 1, 2)}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(target.pixel(x, y), expected[y][x]) << x << "," << y;
}

TEST(Picture, BufferRoundTripUsesBlueGreenRedFourthByteTopDown)
{
    Picture p = numbered(3, 2);
    std::vector<std::uint8_t> buffer(3 * 2 * 4);
    p.copyToBuffer(buffer.data());
    // Pixel (2, 1) = rgb(2, 1, 3) sits at byte 4 * (1 * 3 + 2).
    EXPECT_EQ(std::vector(buffer.begin() + 20, buffer.begin() + 23), (std::vector<std::uint8_t>{3, 1, 2}));
    buffer[20] = 200;
    p.copyFromBuffer(buffer.data());
    EXPECT_EQ(p.pixel(2, 1), qRgb(2, 1, 200));
    EXPECT_EQ(p.pixel(0, 0), qRgb(0, 0, 0));

    // Pictures from any decoder are kept in the filters' layout.
    QImage argb(2, 1, QImage::Format_ARGB32);
    argb.fill(qRgba(1, 2, 3, 255));
    ASSERT_TRUE(p.assign(argb));
    EXPECT_EQ(p.image().format(), QImage::Format_RGB32);
}

TEST(Picture, RectanglesCoverBothCornersAndDrawNothingOutsideThePicture)
{
    const QRgb grey = qRgb(10, 10, 10);
    Picture p(6, 5, grey);
    p.drawRectOutline(0, 0, 4, 3, qRgb(0, 0, 0));
    p.fillRect(5, 4, 9, 9, qRgb(1, 2, 3)); // reaches past the right and bottom edges
    p.fillRect(0, -9, 3, -1, qRgb(0, 0, 0));
    p.drawRectOutline(-5, -5, -2, -2, qRgb(0, 0, 0));
    p.fillRect(-3, 4, 0, 4, qRgb(1, 2, 3));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool outline = x <= 4 && y <= 3 && (x == 0 || y == 0 || x == 4 || y == 3);
            const QRgb expected = outline ? qRgb(0, 0, 0) : y == 4 && (x == 0 || x == 5) ? qRgb(1, 2, 3) : grey;
            EXPECT_EQ(p.pixel(x, y), expected) << x << "," << y;
        }
}

TEST(Picture, MirrorsGiveTheExactMirrorImage)
{
    const Picture original = numbered(5, 3);
    Picture horizontal = original, vertical = original;
    horizontal.mirrorHorizontal();
    vertical.mirrorVertical();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(horizontal.pixel(x, y), original.pixel(4 - x, y)) << x << "," << y;
            EXPECT_EQ(vertical.pixel(x, y), original.pixel(x, 2 - y)) << x << "," << y;
        }
}

TEST(PixelMemory, ALargeBlockGivenBackServesTheNextOfItsSizeUntilReleased)
{
    releaseSparePixelMemory();
    constexpr std::size_t kBytes = std::size_t(5) << 20;
    auto *first = static_cast<std::uint8_t *>(allocatePixelBytes(kBytes));
    first[kBytes - 1] = 7;
    freePixelBytes(first, kBytes);
    EXPECT_EQ(sparePixelBytes(), std::size_t(6) << 20) << "kept, in whole huge pages";
    auto *other = static_cast<std::uint8_t *>(allocatePixelBytes(std::size_t(9) << 20));
    EXPECT_NE(other, first) << "another size";
    auto *again = static_cast<std::uint8_t *>(allocatePixelBytes(kBytes));
    EXPECT_EQ(again, first);
    EXPECT_EQ(sparePixelBytes(), 0u);
    again[0] = 1; // writable again, whatever the kernel took meanwhile
    freePixelBytes(again, kBytes);
    freePixelBytes(other, std::size_t(9) << 20);
    releaseSparePixelMemory();
    EXPECT_EQ(sparePixelBytes(), 0u);
}

TEST(PixelMemory, PreparedBlocksAreInMemoryAlreadyAndServeTheNextBlocksOfTheirSize)
{
    releaseSparePixelMemory();
    constexpr std::size_t kBytes = std::size_t(5) << 20;
    constexpr std::size_t kMapped = std::size_t(6) << 20;
    std::atomic<bool> stop{true};
    prepareSparePixelBytes(kBytes, 2, stop);
    EXPECT_EQ(sparePixelBytes(), 0u) << "stopped before the first huge page";
    stop = false;
    prepareSparePixelBytes(std::size_t(1) << 20, 2, stop);
    EXPECT_EQ(sparePixelBytes(), 0u) << "small blocks come from the heap";
    prepareSparePixelBytes(kBytes, 2, stop);
    EXPECT_EQ(sparePixelBytes(), 2 * kMapped);
    prepareSparePixelBytes(kBytes, 2, stop);
    EXPECT_EQ(sparePixelBytes(), 2 * kMapped) << "two of the size are there already";

    auto *block = static_cast<std::uint8_t *>(allocatePixelBytes(kBytes));
    EXPECT_EQ(sparePixelBytes(), kMapped);
    const long page = sysconf(_SC_PAGESIZE);
    std::vector<unsigned char> resident(kMapped / std::size_t(page));
    ASSERT_EQ(mincore(block, kMapped, resident.data()), 0);
    std::size_t inMemory = 0;
    for (unsigned char flags : resident)
        inMemory += flags & 1u;
    EXPECT_EQ(inMemory, resident.size()) << "every page had before it was asked for";
    block[kBytes - 1] = 3;
    freePixelBytes(block, kBytes);

    SparePixelPreparation preparation;
    preparation.start(kBytes, 3);
    ASSERT_TRUE(mergola::testing::waitUntil([&] { return !preparation.busy(); }, 60000, 5));
    EXPECT_EQ(sparePixelBytes(), 3 * kMapped);
    releaseSparePixelMemory();

    // A window that closes stops its readying instead of finishing two
    // gigabytes first, which takes any machine a good part of a second. (With
    // less memory available than four such blocks nothing is readied at all.)
    auto closing = std::make_unique<SparePixelPreparation>();
    closing->start(std::size_t(2) << 30, 1);
    closing.reset();
    EXPECT_EQ(sparePixelBytes(), 0u);
}

TEST(PixelMemory, KeptBlocksGiveWayWhenTheAddressSpaceCannotHoldAnotherBlock)
{
    if (mergola::testing::kSanitizedBuild)
        GTEST_SKIP() << "the sanitizers' shadow memory allows no address-space limit";
    releaseSparePixelMemory();
    constexpr std::size_t kKept = std::size_t(64) << 20;
    for (void *block : {allocatePixelBytes(kKept), allocatePixelBytes(kKept), allocatePixelBytes(kKept)})
        freePixelBytes(block, kKept);
    ASSERT_EQ(sparePixelBytes(), 3 * kKept);
    QFile status(QStringLiteral("/proc/self/status"));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    long long mapped = 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            mapped = line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
    ASSERT_GT(mapped, 0);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &before), 0);
    rlimit limited = before;
    // Room for 100 MB more: the 150 MB block fits only in place of the kept ones.
    limited.rlim_cur = rlim_t(mapped + (100 << 20));
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);
    constexpr std::size_t kWanted = std::size_t(150) << 20;
    void *block = nullptr;
    try {
        block = allocatePixelBytes(kWanted);
    } catch (const std::bad_alloc &) {
    }
    setrlimit(RLIMIT_AS, &before);
    EXPECT_NE(block, nullptr);
    EXPECT_EQ(sparePixelBytes(), 0u);
    if (block)
        freePixelBytes(block, kWanted);
    releaseSparePixelMemory();
}
