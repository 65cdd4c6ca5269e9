#include "platform/plain_bmp.h"

#include "platform/bmp_header.h"
#include "platform/image_file.h"
#include "platform/pixel_memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <vector>

namespace mergola {

namespace {

constexpr QRgb kOpaque = 0xFF000000u;
constexpr qint64 kReadBlockBytes = qint64(1) << 20;

// The newer headers only add colour-space fields, which a 24-bit picture
// without bit fields does not use; Qt takes its masks from them for 32
// bits, so those stay with Qt.
bool plainBmpHeader(qint64 headerSize, qint64 bitsPerPixel)
{
    if (bitsPerPixel == 24)
        return headerSize == kBmpInfoHeaderBytes || headerSize == kBmpV4HeaderBytes ||
               headerSize == kBmpV5HeaderBytes;
    return bitsPerPixel == 32 && headerSize == kBmpInfoHeaderBytes;
}

// One file row of 24-bit pixels into RGB32. Each pixel but the last is
// read as four bytes (its own three and the next one's first), which keeps
// the loop to a load, an or and a store.
void bgrRowToRgb32(const uchar *from, QRgb *to, int width)
{
    for (int x = 0; x + 1 < width; ++x, from += 3) {
        std::uint32_t bytes;
        std::memcpy(&bytes, from, 4);
        to[x] = kOpaque | bytes;
    }
    to[width - 1] = kOpaque | littleEndian(from, 3);
}

void bgrxRowToRgb32(const uchar *from, QRgb *to, int width)
{
    for (int x = 0; x < width; ++x, from += 4) {
        std::uint32_t bytes;
        std::memcpy(&bytes, from, 4);
        to[x] = kOpaque | bytes;
    }
}

} // namespace

QImage readPlainBmp(QFile &file)
{
    uchar head[kBmpLongestHeadBytes];
    const qint64 got = file.read(reinterpret_cast<char *>(head), kBmpLongestHeadBytes);
    const qint64 size = file.size();
    const std::optional<BmpHeader> header = readBmpHeader(head, got);
    if (!header || !header->hasInfo || !header->magic)
        return {};
    const qint64 bitsPerPixel = header->bitsPerPixel;
    const std::int32_t width = header->width;
    const std::int32_t height = header->height;
    if (!plainBmpHeader(header->infoHeaderBytes, bitsPerPixel) || header->planes != 1 ||
        header->compression != kBmpRgb || width <= 0 || height == 0 ||
        height == std::numeric_limits<std::int32_t>::min())
        return {};
    const qint64 rows = std::abs(qint64(height));
    if (qint64(width) * rows > kMaxDecodedPixels)
        return {};
    // Qt's reader starts the pixels at the offset only when it lies past
    // the headers; the odd file where it does not goes to that reader.
    const qint64 pixelOffset = header->pixelOffset;
    if (pixelOffset < kBmpFileHeaderBytes + header->infoHeaderBytes || pixelOffset > size)
        return {};
    const qint64 rowBytes = bmpRowBytes(width, bitsPerPixel);
    if (rowBytes > (size - pixelOffset) / rows)
        return {};

    QImage image = allocateRgb32Image(width, int(rows));
    if (image.isNull() || !file.seek(pixelOffset))
        return {};
    image.setDotsPerMeterX(header->dotsPerMetreX);
    image.setDotsPerMeterY(header->dotsPerMetreY);

    // Blocks of about a megabyte stay in the cache between the read and
    // the conversion, and the file is never held in memory whole.
    const qint64 rowsPerBlock = std::clamp<qint64>(kReadBlockBytes / rowBytes, 1, rows);
    std::vector<uchar> block;
    try {
        block.resize(std::size_t(rowsPerBlock * rowBytes));
    } catch (const std::bad_alloc &) {
        return {}; // a single row of hundreds of megabytes, beyond the memory
    }
    // A positive height stores the bottom row first.
    const bool bottomUp = height > 0;
    for (qint64 first = 0; first < rows; first += rowsPerBlock) {
        const qint64 count = std::min(rowsPerBlock, rows - first);
        // A file cut off since its size was taken goes to the checks.
        if (file.read(reinterpret_cast<char *>(block.data()), count * rowBytes) != count * rowBytes)
            return {};
        for (qint64 i = 0; i < count; ++i) {
            const qint64 fileRow = first + i;
            const int y = int(bottomUp ? rows - 1 - fileRow : fileRow);
            const uchar *from = block.data() + i * rowBytes;
            auto *to = reinterpret_cast<QRgb *>(image.scanLine(y));
            if (bitsPerPixel == 24)
                bgrRowToRgb32(from, to, width);
            else
                bgrxRowToRgb32(from, to, width);
        }
    }
    return image;
}

} // namespace mergola
