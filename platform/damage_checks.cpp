#include "platform/damage_checks.h"

#include "platform/bmp_header.h"

#include <cstdlib>
#include <optional>

namespace mergola {

namespace {

// Uncompressed BMPs must hold every row their header promises.
bool bmpIsComplete(const uchar *data, qint64 size)
{
    const std::optional<BmpHeader> header = readBmpHeader(data, size);
    if (!header)
        return false;
    if (header->infoHeaderBytes < kBmpInfoHeaderBytes || !header->hasInfo)
        return true; // old OS/2 headers: leave them to the decoder
    if (header->compression != kBmpRgb && header->compression != kBmpBitfields)
        return true;
    // Divided rather than multiplied: a forged header may claim sizes whose
    // product overflows even 64 bits.
    const qint64 rowBytes = bmpRowBytes(std::abs(qint64(header->width)), header->bitsPerPixel);
    const qint64 rows = std::abs(qint64(header->height));
    if (header->pixelOffset > size)
        return false;
    return rows == 0 || rowBytes <= (size - header->pixelOffset) / rows;
}

// In a JPEG's entropy-coded data every 0xFF is followed by 0x00 or a restart
// marker, so an end-of-image marker after the last start-of-scan is the true
// end of the picture.
bool jpegIsComplete(const uchar *data, qint64 size)
{
    qint64 lastScan = -1;
    for (qint64 i = 0; i + 1 < size; ++i)
        if (data[i] == 0xFF && data[i + 1] == 0xDA)
            lastScan = i;
    if (lastScan < 0)
        return false;
    for (qint64 i = lastScan + 2; i + 1 < size; ++i)
        if (data[i] == 0xFF && data[i + 1] == 0xD9)
            return true;
    return false;
}

// Every 8 x 8 block of a JPEG's brightness costs at least one bit of coded
// data, so a file holds at most this many pixels a byte. A few hundred
// bytes claiming 12000 x 12000 pixels are damaged: the decoder would spend
// seconds and over a gigabyte painting grey. Small pictures are believed
// whatever their data.
constexpr qint64 kMaxJpegPixelsPerByte = 8 * 64;
constexpr qint64 kJpegPixelsAlwaysBelieved = 1 << 20;

bool jpegDataCanHold(qint64 size, qint64 claimedPixels)
{
    return claimedPixels <= kJpegPixelsAlwaysBelieved || claimedPixels <= size * kMaxJpegPixelsPerByte;
}

// One byte of LZW data stands for at most this many pixels: a code takes
// at least 3 bits, and no string in the table is longer than 4096 pixels.
// The bound is generous; a real picture is always far below it.
constexpr qint64 kMaxGifPixelsPerDataByte = 8 * 4096;
// Screens up to this size are believed whatever their data.
constexpr qint64 kGifPixelsAlwaysBelieved = 1 << 20;

// Walks the blocks up to the end of the first picture's data. The decoder
// fills the whole logical screen, so a screen far larger than the data
// could ever paint (a few bytes claiming 4000 x 18000 pixels) counts as
// damaged rather than costing seconds and hundreds of megabytes.
bool gifIsComplete(const uchar *data, qint64 size)
{
    constexpr qint64 kScreenDescriptorEnd = 13;
    if (size < kScreenDescriptorEnd)
        return false;
    const qint64 screenPixels = qint64(littleEndian(data + 6, 2)) * qint64(littleEndian(data + 8, 2));
    qint64 pos = kScreenDescriptorEnd;
    if (data[10] & 0x80)
        pos += 3 * (qint64(1) << ((data[10] & 0x07) + 1));
    qint64 dataBytes = 0;
    auto skipSubBlocks = [&]() {
        while (pos < size && data[pos] != 0) {
            dataBytes += data[pos];
            pos += data[pos] + 1;
        }
        ++pos; // the terminating empty block
        return pos <= size;
    };
    while (pos < size) {
        const uchar block = data[pos];
        if (block == 0x21) { // extension: label, then sub-blocks
            pos += 2;
            if (!skipSubBlocks())
                return false;
            dataBytes = 0;
        } else if (block == 0x2C) { // image descriptor
            if (pos + 10 > size)
                return false;
            const uchar flags = data[pos + 9];
            pos += 10;
            if (flags & 0x80)
                pos += 3 * (qint64(1) << ((flags & 0x07) + 1));
            pos += 1; // LZW minimum code size
            if (pos > size || !skipSubBlocks())
                return false;
            return screenPixels <= kGifPixelsAlwaysBelieved || screenPixels <= dataBytes * kMaxGifPixelsPerDataByte;
        } else {
            return false;
        }
    }
    return false;
}

} // namespace

bool pictureDataIsComplete(const uchar *data, qint64 size, const QByteArray &format, qint64 claimedPixels)
{
    if (format == "bmp")
        return bmpIsComplete(data, size);
    if (format == "jpeg" || format == "jpg")
        return jpegIsComplete(data, size) && jpegDataCanHold(size, claimedPixels);
    if (format == "gif")
        return gifIsComplete(data, size);
    // Qt's PNG, WebP and TIFF readers refuse a cut-off file themselves.
    return true;
}

} // namespace mergola
