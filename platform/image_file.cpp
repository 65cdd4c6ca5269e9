#include "platform/image_file.h"

#include "platform/damage_checks.h"
#include "platform/exif_orientation.h"
#include "platform/heif_file.h"
#include "platform/pixel_memory.h"
#include "platform/plain_bmp.h"
#include "platform/tiff_messages.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <cerrno>
#include <initializer_list>
#include <memory>
#include <new>

namespace mergola {

namespace {

// Qt refuses images over 128 MB by default; a 250-megapixel RGB32 picture
// needs 1000 MB, and the decoder wants a little more while it works.
constexpr int kAllocationLimitMegabytes = 1100;
// Enough of a file to tell a HEIF container by its first box.
constexpr qint64 kHeifHeadBytes = 64;

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

// Why the file at path cannot be opened at all; empty when it can.
QString refusalOfPath(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("file does not exist");
    if (!info.isFile())
        return QStringLiteral("not a regular file");
    if (!info.isReadable())
        return QStringLiteral("file cannot be read");
    return {};
}

// The picture through Qt's readers, after the checks on its format, its
// claimed size and its bytes, and upright: in whatever format the reader
// gives, possibly with an alpha channel.
DecodeResult decodeWithQt(const QString &path)
{
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
    if (!data || !pictureDataIsComplete(data, size, format, claimedPixels))
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
    // Qt turns JPG and TIFF itself; PNG and WebP carry their orientation
    // where its readers do not look.
    if (reader.transformation() == QImageIOHandler::TransformationNone) {
        const QImageIOHandler::Transformations turn = embeddedExifOrientation(data, size, format);
        if (turn != QImageIOHandler::TransformationNone)
            image = applyTransformation(image, turn);
        if (image.isNull())
            return outOfMemoryFor(claimed);
    }
    return {image, {}};
}

// A decoded picture as the program holds every picture: Format_RGB32, its
// transparent pixels laid over white.
DecodeResult opaqueRgb32(const QImage &image)
{
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
    if (const QString refusal = refusalOfPath(path); !refusal.isEmpty())
        return {{}, refusal};

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

    const DecodeResult decoded = decodeWithQt(path);
    if (decoded.image.isNull())
        return decoded;
    return opaqueRgb32(decoded.image);
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
