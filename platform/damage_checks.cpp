#include "platform/damage_checks.h"

#include "platform/bmp_header.h"

#include <cstdlib>
#include <cstring>
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

// Walks a JPEG as its decoder reads it: segment by segment from the start
// of the file, through each scan's coded data to the marker after it, up
// to the end-of-image marker. The picture ends there, so whatever follows
// (the video of a phone's motion photo, a second picture) does not count;
// a file that ends before it is cut off.
bool jpegIsComplete(const uchar *data, qint64 size)
{
    constexpr uchar kMarker = 0xFF;
    constexpr uchar kStuffedZero = 0x00;
    constexpr uchar kTemporary = 0x01;
    constexpr uchar kFirstRestart = 0xD0;
    constexpr uchar kLastRestart = 0xD7;
    constexpr uchar kStartOfImage = 0xD8;
    constexpr uchar kEndOfImage = 0xD9;
    constexpr uchar kStartOfScan = 0xDA;
    // The next marker's code at or after pos (fill bytes skipped, as the
    // decoder skips stray bytes between segments); pos ends after it.
    const auto nextMarker = [&](qint64 &pos) -> int {
        const auto *found = static_cast<const uchar *>(std::memchr(data + pos, kMarker, std::size_t(size - pos)));
        if (!found)
            return -1;
        pos = found - data;
        while (pos < size && data[pos] == kMarker)
            ++pos;
        return pos < size ? data[pos++] : -1;
    };
    const auto isRestart = [&](int code) { return code >= kFirstRestart && code <= kLastRestart; };
    if (size < 4 || data[0] != kMarker || data[1] != kStartOfImage)
        return false;
    qint64 pos = 2;
    bool scanned = false;
    for (int code = nextMarker(pos); code >= 0; code = nextMarker(pos)) {
        if (code == kEndOfImage)
            return scanned;
        if (code == kStartOfImage)
            return false;
        if (code == kStuffedZero || code == kTemporary || isRestart(code))
            continue;
        if (pos + 2 > size)
            return false;
        const qint64 length = qint64(data[pos]) << 8 | data[pos + 1];
        pos += length;
        if (length < 2 || pos > size)
            return false;
        if (code != kStartOfScan)
            continue;
        scanned = true;
        // The coded data runs to the first marker that is neither a
        // stuffed zero nor a restart marker; that marker is read next.
        for (qint64 at = pos;;) {
            const int inData = nextMarker(at);
            if (inData < 0)
                return false;
            if (inData != kStuffedZero && !isRestart(inData)) {
                pos = at - 2;
                break;
            }
        }
    }
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
// Screens up to this size are believed whatever their data: a small first
// frame on a large screen is common, and filling 16 megapixels of
// background costs a user nothing they notice.
constexpr qint64 kGifPixelsAlwaysBelieved = qint64(16) << 20;

// Walks the blocks up to the end of the first picture's data, which must
// be whole, then on through the frames that follow. The decoder fills the
// whole logical screen, so a screen beyond the size above that all the
// frames' data together could never paint (a few bytes claiming 4000 x
// 18000 pixels) counts as damaged rather than costing seconds and hundreds
// of megabytes.
bool gifIsComplete(const uchar *data, qint64 size)
{
    constexpr qint64 kScreenDescriptorEnd = 13;
    constexpr uchar kExtension = 0x21;
    constexpr uchar kImageDescriptor = 0x2C;
    if (size < kScreenDescriptorEnd)
        return false;
    const qint64 screenPixels = qint64(littleEndian(data + 6, 2)) * qint64(littleEndian(data + 8, 2));
    qint64 pos = kScreenDescriptorEnd;
    if (data[10] & 0x80)
        pos += 3 * (qint64(1) << ((data[10] & 0x07) + 1));
    qint64 frameBytes = 0;
    bool firstFrameWhole = false;
    auto skipSubBlocks = [&](qint64 *counted) {
        while (pos < size && data[pos] != 0) {
            if (counted)
                *counted += data[pos];
            pos += data[pos] + 1;
        }
        ++pos; // the terminating empty block
        return pos <= size;
    };
    while (pos < size) {
        const uchar block = data[pos];
        if (block == kExtension) { // label, then sub-blocks
            pos += 2;
            if (!skipSubBlocks(nullptr))
                break;
        } else if (block == kImageDescriptor) {
            if (pos + 10 > size)
                break;
            const uchar flags = data[pos + 9];
            pos += 10;
            if (flags & 0x80)
                pos += 3 * (qint64(1) << ((flags & 0x07) + 1));
            pos += 1; // LZW minimum code size
            qint64 bytes = 0;
            if (pos > size || !skipSubBlocks(&bytes))
                break;
            frameBytes += bytes;
            firstFrameWhole = true;
        } else {
            break; // the trailer, or damage after the frames that count
        }
    }
    return firstFrameWhole &&
           (screenPixels <= kGifPixelsAlwaysBelieved || screenPixels <= frameBytes * kMaxGifPixelsPerDataByte);
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
