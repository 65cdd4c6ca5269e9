#include "platform/image_file.h"

#include "platform/exif_orientation.h"
#include "platform/heif_file.h"
#include "platform/pixel_memory.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <initializer_list>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace mergola {

namespace {

// Qt refuses images over 128 MB by default; a 250-megapixel RGB32 picture
// needs 1000 MB, and the decoder wants a little more while it works.
constexpr int kAllocationLimitMegabytes = 1100;
// Enough of a file to tell a HEIF container by its first box.
constexpr qint64 kHeifHeadBytes = 64;

// Qt's decoders draw what they got of a cut-off file and fill the rest with
// grey or black. A half picture must not replace a slot, so each format's
// own end marker is looked for before decoding.

std::uint32_t littleEndian(const uchar *p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

// Uncompressed BMPs must hold every row their header promises.
bool bmpIsComplete(const uchar *data, qint64 size)
{
    constexpr qint64 kHeadersSize = 14 + 16;
    if (size < kHeadersSize)
        return false;
    const qint64 pixelOffset = littleEndian(data + 10, 4);
    const qint64 headerSize = littleEndian(data + 14, 4);
    if (headerSize < 40 || size < 14 + 40)
        return true; // old OS/2 headers: leave them to the decoder
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::memcpy(&width, data + 18, 4);
    std::memcpy(&height, data + 22, 4);
    const qint64 bitsPerPixel = littleEndian(data + 28, 2);
    const std::uint32_t compression = littleEndian(data + 30, 4);
    constexpr std::uint32_t kRgb = 0;
    constexpr std::uint32_t kBitfields = 3;
    if (compression != kRgb && compression != kBitfields)
        return true;
    // In 64 bits, and divided rather than multiplied: a forged header may
    // claim sizes whose product overflows even that.
    const qint64 rowBytes = ((std::abs(qint64(width)) * bitsPerPixel + 31) / 32) * 4;
    const qint64 rows = std::abs(qint64(height));
    if (pixelOffset > size)
        return false;
    return rows == 0 || rowBytes <= (size - pixelOffset) / rows;
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

// Every 8 x 8 block of a JPEG's brightness costs at least one bit of coded
// data, so a file holds at most this many pixels a byte. A few hundred
// bytes claiming 12000 x 12000 pixels are damaged: the decoder would spend
// seconds and over a gigabyte painting grey. Small pictures are believed
// whatever their data.
constexpr qint64 kMaxJpegPixelsPerByte = 8 * 64;
constexpr qint64 kJpegPixelsAlwaysBelieved = 1 << 20;

bool isComplete(const uchar *data, qint64 size, const QByteArray &format, qint64 claimedPixels)
{
    if (format == "bmp")
        return bmpIsComplete(data, size);
    if (format == "jpeg" || format == "jpg")
        return jpegIsComplete(data, size) &&
               (claimedPixels <= kJpegPixelsAlwaysBelieved || claimedPixels <= size * kMaxJpegPixelsPerByte);
    if (format == "gif")
        return gifIsComplete(data, size);
    // Qt's PNG, WebP and TIFF readers refuse a cut-off file themselves.
    return true;
}

// Qt's TIFF plugin leaves libtiff on its default handlers, which print
// warnings and errors straight to standard error. Routed through Qt's
// messages instead, they go where every other decoder's complaints go (the
// command line keeps them out of its one-line verdict). The library is
// looked up only once the plugin has loaded it.
using TiffHandler = void (*)(const char *module, const char *format, va_list arguments);
using SetTiffHandler = TiffHandler (*)(TiffHandler);
constexpr std::size_t kTiffMessageBytes = 512;

void forwardTiffMessage(const char *module, const char *format, va_list arguments)
{
    char text[kTiffMessageBytes];
    std::vsnprintf(text, sizeof text, format, arguments);
    qWarning("%s: %s", module ? module : "libtiff", text);
}

void routeTiffMessagesThroughQt()
{
    static bool routed = false;
    for (const char *name : {"libtiff.so.6", "libtiff.so.5"}) {
        if (routed)
            return;
        void *library = dlopen(name, RTLD_LAZY | RTLD_NOLOAD);
        if (!library)
            continue;
        const auto setWarning = reinterpret_cast<SetTiffHandler>(dlsym(library, "TIFFSetWarningHandler"));
        const auto setError = reinterpret_cast<SetTiffHandler>(dlsym(library, "TIFFSetErrorHandler"));
        if (setWarning && setError) {
            setWarning(forwardTiffMessage);
            setError(forwardTiffMessage);
            routed = true;
        }
        dlclose(library); // only the reference this lookup took
    }
}

// The plain BMPs that nearly every program writes, and the program's own
// output: 24 or 32 bits a pixel, uncompressed, the classic header. They are
// read here straight into the rows of the picture, a large block at a time,
// instead of pixel by pixel through Qt's reader; the pixels come out as
// that reader makes them (blue, green, red, a fourth byte of 0xFF). Every
// other BMP (palettes, run lengths, bit fields, alpha masks, odd or
// damaged headers) goes to Qt's reader and the checks above, which then
// also word the refusals.
constexpr qint64 kBmpFileHeaderBytes = 14;
constexpr qint64 kBmpInfoHeaderBytes = 40;
// The newer headers only add colour-space fields, which a 24-bit picture
// without bit fields does not use; Qt takes its masks from them for 32
// bits, so those stay with Qt.
constexpr qint64 kBmpV4HeaderBytes = 108;
constexpr qint64 kBmpV5HeaderBytes = 124;
constexpr QRgb kOpaque = 0xFF000000u;
constexpr qint64 kReadBlockBytes = qint64(1) << 20;

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

// The picture of a complete plain BMP, read from file in blocks of rows; a
// null image for any other file, or when the memory cannot be had, so that
// Qt's reader has its say.
QImage readPlainBmp(QFile &file)
{
    constexpr qint64 kHeadBytes = kBmpFileHeaderBytes + kBmpV5HeaderBytes;
    uchar head[kHeadBytes];
    const qint64 got = file.read(reinterpret_cast<char *>(head), kHeadBytes);
    const qint64 size = file.size();
    if (got < kBmpFileHeaderBytes + kBmpInfoHeaderBytes || head[0] != 'B' || head[1] != 'M')
        return {};
    const qint64 pixelOffset = littleEndian(head + 10, 4);
    const qint64 headerSize = littleEndian(head + 14, 4);
    const qint64 planes = littleEndian(head + 26, 2);
    const qint64 bitsPerPixel = littleEndian(head + 28, 2);
    const std::uint32_t compression = littleEndian(head + 30, 4);
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::memcpy(&width, head + 18, 4);
    std::memcpy(&height, head + 22, 4);
    if (!plainBmpHeader(headerSize, bitsPerPixel) || planes != 1 || compression != 0 || width <= 0 ||
        height == 0 || height == std::numeric_limits<std::int32_t>::min())
        return {};
    const qint64 rows = std::abs(qint64(height));
    if (qint64(width) * rows > kMaxDecodedPixels)
        return {};
    // Qt's reader starts the pixels at the offset only when it lies past
    // the headers; the odd file where it does not goes to that reader.
    if (pixelOffset < kBmpFileHeaderBytes + headerSize || pixelOffset > size)
        return {};
    const qint64 rowBytes = (qint64(width) * bitsPerPixel + 31) / 32 * 4;
    if (rowBytes > (size - pixelOffset) / rows)
        return {};

    QImage image = allocateRgb32Image(width, int(rows));
    if (image.isNull() || !file.seek(pixelOffset))
        return {};
    std::int32_t dotsPerMetreX = 0;
    std::int32_t dotsPerMetreY = 0;
    std::memcpy(&dotsPerMetreX, head + 38, 4);
    std::memcpy(&dotsPerMetreY, head + 42, 4);
    image.setDotsPerMeterX(dotsPerMetreX);
    image.setDotsPerMeterY(dotsPerMetreY);

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
        // A file cut off since its size was taken goes to the checks below.
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

struct PictureFormat {
    const char *name; // as QImageReader names it
    std::initializer_list<const char *> suffixes;
};

// The formats of photos and pictures that people exchange. Qt reads a few
// more (icons, cursors, old Mac and game formats) whose decoders see far
// less use; a file in one of those is refused rather than handed to them.
// WebP and TIFF need Qt's image format plugins; HEIF, AVIF and JPEG XL are
// taken as soon as a plugin for them is installed.
const PictureFormat kPictureFormats[] = {
    {"jpeg", {"jpg", "jpeg"}}, {"bmp", {"bmp"}},   {"gif", {"gif"}},
    {"png", {"png"}},          {"webp", {"webp"}}, {"tiff", {"tif", "tiff"}},
    {"heif", {"heic", "heif"}}, {"avif", {"avif"}}, {"jxl", {"jxl"}},
};

bool isPictureFormat(const QByteArray &format)
{
    const QByteArray name = format == "jpg" ? QByteArray("jpeg") : format;
    for (const PictureFormat &known : kPictureFormats)
        if (name == known.name)
            return true;
    return false;
}

// Whether a picture of this size, with room for the decoder's working
// copy beside it, could be had now. Asked after a decoder failed: where it
// could not, memory is what ran out, not the file that was damaged.
bool memoryWouldHold(const QSize &size)
{
    constexpr qint64 kPictureAndWorkingCopy = 2 * 4;
    const qint64 bytes = qint64(size.width()) * size.height() * kPictureAndWorkingCopy;
    return std::unique_ptr<char[]>(new (std::nothrow) char[std::size_t(bytes)]) != nullptr;
}

} // namespace

DecodeResult outOfMemoryFor(const QSize &size)
{
    const QString what = size.isValid() ? QStringLiteral("a %1 x %2 picture").arg(size.width()).arg(size.height())
                                        : QStringLiteral("the picture");
    DecodeResult result({}, QStringLiteral("not enough memory for %1").arg(what));
    result.outOfMemory = true;
    result.size = size;
    return result;
}

DecodeResult decodePictureFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {{}, QStringLiteral("file does not exist")};
    if (!info.isFile())
        return {{}, QStringLiteral("not a regular file")};
    if (!info.isReadable())
        return {{}, QStringLiteral("file cannot be read")};

    {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            if (QImage plain = readPlainBmp(file); !plain.isNull())
                return {plain, {}};
            // Qt has no reader for the phones' HEIC and AVIF; libheif does.
            if (file.seek(0) && looksLikeHeif(file.read(kHeifHeadBytes))) {
                DecodeResult heif = decodeHeifFile(path);
                if (heif.image.isNull() && !heif.outOfMemory && heif.size.isValid() && !memoryWouldHold(heif.size))
                    return outOfMemoryFor(heif.size);
                return heif;
            }
        }
    }

    QImageReader::setAllocationLimit(kAllocationLimitMegabytes);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {{}, QStringLiteral("not a picture file that can be decoded")};
    const QByteArray format = reader.format();
    if (!isPictureFormat(format))
        return {{}, QStringLiteral("not a picture format this program reads (%1)").arg(QString::fromLatin1(format))};
    if (format == "tiff")
        routeTiffMessagesThroughQt();
    const QSize claimed = reader.size();
    if (claimed.isValid() && static_cast<long long>(claimed.width()) * claimed.height() > kMaxDecodedPixels)
        return {{}, QStringLiteral("picture is too large (%1 x %2 pixels)").arg(claimed.width()).arg(claimed.height())};

    QFile file(path);
    const qint64 size = file.open(QIODevice::ReadOnly) ? file.size() : 0;
    const uchar *data = size > 0 ? file.map(0, size) : nullptr;
    if (size > 0 && !data && errno == ENOMEM)
        return outOfMemoryFor(claimed);
    const qint64 claimedPixels = claimed.isValid() ? qint64(claimed.width()) * claimed.height() : 0;
    if (!data || !isComplete(data, size, format, claimedPixels))
        return {{}, QStringLiteral("file is cut off or damaged")};

    // Qt's JPEG reader fills an image of the right size and format that it
    // is given instead of allocating its own. Given one whose memory is on
    // huge pages, a photo's fresh memory costs a fraction of what it does
    // in small pages; the decoder writes every pixel either way.
    QImage image;
    if ((format == "jpeg" || format == "jpg") && claimed.isValid() && reader.imageFormat() == QImage::Format_RGB32)
        image = allocateRgb32Image(claimed.width(), claimed.height());
    if (!reader.read(&image))
        image = QImage();
    if (image.isNull() && claimed.isValid() && !memoryWouldHold(claimed))
        return outOfMemoryFor(claimed);
    if (image.isNull())
        return {{}, QStringLiteral("cannot decode picture: %1").arg(reader.errorString())};
    if (reader.transformation() == QImageIOHandler::TransformationNone) {
        const QImageIOHandler::Transformations turn = embeddedExifOrientation(data, size, format);
        if (turn != QImageIOHandler::TransformationNone)
            image = applyTransformation(image, turn);
        if (image.isNull())
            return outOfMemoryFor(image.size());
    }

    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        if (flat.isNull())
            return outOfMemoryFor(image.size());
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
        painter.end();
        return {flat, {}};
    }
    QImage converted = image.convertToFormat(QImage::Format_RGB32);
    if (converted.isNull())
        return outOfMemoryFor(image.size());
    return {converted, {}};
}

QStringList readablePicturePatterns()
{
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    QStringList patterns;
    for (const PictureFormat &format : kPictureFormats)
        if (readable.contains(format.name))
            for (const char *suffix : format.suffixes)
                patterns << QStringLiteral("*.") + QLatin1String(suffix);
    for (const QString &heif : heifPatterns())
        if (!patterns.contains(heif))
            patterns << heif;
    return patterns;
}

} // namespace mergola
