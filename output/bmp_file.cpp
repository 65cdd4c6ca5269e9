#include "output/bmp_file.h"

#include <QSaveFile>
#include <algorithm>
#include <array>
#include <cstring>
#include <cstdint>
#include <limits>
#include <vector>

namespace mergola {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40; // the classic header every reader knows
constexpr std::size_t kPixelDataOffset = kFileHeaderBytes + kInfoHeaderBytes;
constexpr int kBitsPerPixel = 24;
constexpr int kBytesPerPixel = 3;
constexpr std::uint32_t kUncompressed = 0;
// 96 dots per inch: the picture was made for a screen.
constexpr std::int32_t kPixelsPerMetre = 3780;

// Each row is padded to a multiple of four bytes.
std::uint64_t rowStride(int width)
{
    return (std::uint64_t(width) * kBytesPerPixel + 3) / 4 * 4;
}

template <std::size_t N>
void put16(std::array<std::uint8_t, N> &bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = std::uint8_t(value);
    bytes[at + 1] = std::uint8_t(value >> 8);
}

template <std::size_t N>
void put32(std::array<std::uint8_t, N> &bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = std::uint8_t(value >> (8 * i));
}

std::array<std::uint8_t, kPixelDataOffset> header(int width, int height, std::uint32_t pixelBytes)
{
    std::array<std::uint8_t, kPixelDataOffset> h{};
    h[0] = 'B';
    h[1] = 'M';
    put32(h, 2, std::uint32_t(kPixelDataOffset) + pixelBytes);
    put32(h, 10, std::uint32_t(kPixelDataOffset));
    put32(h, 14, std::uint32_t(kInfoHeaderBytes));
    put32(h, 18, std::uint32_t(width));
    put32(h, 22, std::uint32_t(height)); // positive: rows bottom-up, as all readers expect
    put16(h, 26, 1);                     // one colour plane
    put16(h, 28, kBitsPerPixel);
    put32(h, 30, kUncompressed);
    put32(h, 34, pixelBytes);
    put32(h, 38, std::uint32_t(kPixelsPerMetre));
    put32(h, 42, std::uint32_t(kPixelsPerMetre));
    // Colours used and important stay 0: no palette.
    return h;
}

// Rows go to the file in blocks of about this size: large enough that the
// system calls cost nothing next to the bytes, small enough to stay in the
// cache while they are converted and written.
constexpr std::uint64_t kBlockBytes = std::uint64_t(1) << 20;

// BMP keeps blue, green, red; the fourth byte of RGB32 is dropped. Each
// pixel but the last is stored as four bytes, the fourth overwritten by
// the next pixel, which keeps the loop to a load and a store.
void rgb32RowToBgr(const QRgb *from, std::uint8_t *to, int width)
{
    for (int x = 0; x + 1 < width; ++x, to += kBytesPerPixel)
        std::memcpy(to, &from[x], 4);
    const QRgb last = from[width - 1];
    to[0] = std::uint8_t(qBlue(last));
    to[1] = std::uint8_t(qGreen(last));
    to[2] = std::uint8_t(qRed(last));
}

FileResult writeFailure(const QString &path, const QString &reason)
{
    return fileError(QStringLiteral("cannot write %1: %2").arg(path, reason));
}

FileResult writeFailure(const QString &path, const QSaveFile &file)
{
    return writeFailure(path, file.errorString());
}

} // namespace

FileResult writeBmpFile(const Picture &picture, const QString &path)
{
    if (!picture.hasPixels())
        return fileError(QStringLiteral("cannot write %1: the picture has no pixels (%2 x %3)")
                             .arg(path)
                             .arg(picture.width())
                             .arg(picture.height()));
    const std::uint64_t stride = rowStride(picture.width());
    const std::uint64_t pixelBytes = stride * std::uint64_t(picture.height());
    if (pixelBytes + kPixelDataOffset > std::numeric_limits<std::uint32_t>::max())
        return fileError(QStringLiteral("cannot write %1: the picture is too large for a BMP file").arg(path));

    if (FileResult target = checkWritableTarget(path); !target.ok)
        return target;

    QSaveFile file(path);
    // Unbuffered, so a full disk shows at the write that meets it, with the
    // system's reason, rather than as an unnamed failure at the end. Rows
    // are gathered into blocks of about a megabyte, so the whole picture
    // takes a few dozen system calls.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return writeFailure(path, file);

    QString reason;
    const auto head = header(picture.width(), picture.height(), std::uint32_t(pixelBytes));
    if (!writeAllBytes(file, reinterpret_cast<const char *>(head.data()), qint64(head.size()), reason))
        return writeFailure(path, reason);

    const QImage &image = picture.image();
    const int rowsPerBlock = int(std::clamp<std::uint64_t>(kBlockBytes / stride, 1, std::uint64_t(picture.height())));
    std::vector<std::uint8_t> block(stride * std::uint64_t(rowsPerBlock), 0); // the padding bytes stay 0
    for (int bottom = picture.height() - 1; bottom >= 0; bottom -= rowsPerBlock) {
        const int rows = std::min(rowsPerBlock, bottom + 1);
        for (int i = 0; i < rows; ++i)
            rgb32RowToBgr(reinterpret_cast<const QRgb *>(image.constScanLine(bottom - i)),
                          block.data() + stride * std::uint64_t(i), picture.width());
        if (!writeAllBytes(file, reinterpret_cast<const char *>(block.data()), qint64(stride) * rows, reason))
            return writeFailure(path, reason);
    }
    if (!file.commit())
        return writeFailure(path, file);
    return fileOk();
}

} // namespace mergola
