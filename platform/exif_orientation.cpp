#include "platform/exif_orientation.h"

#include <QTransform>

#include <cstring>

namespace mergola {

namespace {

using Transformation = QImageIOHandler::Transformation;

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;
constexpr qint64 kIfdEntryBytes = 12;
constexpr qint64 kPngSignatureBytes = 8;
constexpr qint64 kPngChunkOverhead = 12; // length, type, CRC
constexpr qint64 kRiffHeaderBytes = 12;  // "RIFF", size, "WEBP"
constexpr qint64 kRiffChunkHeaderBytes = 8;

std::uint32_t bigEndian(const uchar *p) { return std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
std::uint32_t littleEndian(const uchar *p) { return std::uint32_t(p[3]) << 24 | p[2] << 16 | p[1] << 8 | p[0]; }

bool hasTag(const uchar *p, const char (&tag)[5]) { return std::memcmp(p, tag, 4) == 0; }

// The EXIF values 1 to 8, as the JPG reader of Qt maps them.
QImageIOHandler::Transformations fromExif(std::uint32_t orientation)
{
    switch (orientation) {
    case 2: return Transformation::TransformationMirror;
    case 3: return Transformation::TransformationRotate180;
    case 4: return Transformation::TransformationFlip;
    case 5: return Transformation::TransformationFlipAndRotate90;
    case 6: return Transformation::TransformationRotate90;
    case 7: return Transformation::TransformationMirrorAndRotate90;
    case 8: return Transformation::TransformationRotate270;
    default: return Transformation::TransformationNone;
    }
}

// An EXIF block is a small TIFF file: byte order, 42, the offset of the
// first directory, whose entries are 12 bytes each.
QImageIOHandler::Transformations orientationInExif(const uchar *data, qint64 size)
{
    // Some writers keep the "Exif\0\0" header that JPG files put before it.
    if (size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0) {
        data += 6;
        size -= 6;
    }
    if (size < 8)
        return Transformation::TransformationNone;
    const bool big = std::memcmp(data, "MM", 2) == 0;
    if (!big && std::memcmp(data, "II", 2) != 0)
        return Transformation::TransformationNone;
    auto read16 = [&](qint64 at) {
        return big ? std::uint32_t(data[at] << 8 | data[at + 1]) : std::uint32_t(data[at + 1] << 8 | data[at]);
    };
    auto read32 = [&](qint64 at) { return big ? bigEndian(data + at) : littleEndian(data + at); };
    if (read16(2) != 42)
        return Transformation::TransformationNone;
    const qint64 directory = read32(4);
    if (directory > size - 2)
        return Transformation::TransformationNone;
    const qint64 entries = read16(directory);
    for (qint64 i = 0; i < entries; ++i) {
        const qint64 entry = directory + 2 + i * kIfdEntryBytes;
        if (entry > size - kIfdEntryBytes)
            break;
        if (read16(entry) == kOrientationTag)
            return read16(entry + 2) == kShortType && read32(entry + 4) >= 1 ? fromExif(read16(entry + 8))
                                                                              : Transformation::TransformationNone;
    }
    return Transformation::TransformationNone;
}

QImageIOHandler::Transformations orientationInPng(const uchar *data, qint64 size)
{
    qint64 pos = kPngSignatureBytes;
    while (pos <= size - kPngChunkOverhead) {
        const qint64 length = bigEndian(data + pos);
        if (length > size - pos - kPngChunkOverhead)
            break;
        const uchar *type = data + pos + 4;
        if (hasTag(type, "eXIf"))
            return orientationInExif(data + pos + 8, length);
        if (hasTag(type, "IEND"))
            break;
        pos += kPngChunkOverhead + length;
    }
    return Transformation::TransformationNone;
}

QImageIOHandler::Transformations orientationInWebp(const uchar *data, qint64 size)
{
    if (size < kRiffHeaderBytes || !hasTag(data, "RIFF") || !hasTag(data + 8, "WEBP"))
        return Transformation::TransformationNone;
    qint64 pos = kRiffHeaderBytes;
    while (pos <= size - kRiffChunkHeaderBytes) {
        const qint64 length = littleEndian(data + pos + 4);
        if (length > size - pos - kRiffChunkHeaderBytes)
            break;
        if (hasTag(data + pos, "EXIF"))
            return orientationInExif(data + pos + kRiffChunkHeaderBytes, length);
        pos += kRiffChunkHeaderBytes + length + (length & 1); // chunks are padded to even sizes
    }
    return Transformation::TransformationNone;
}

} // namespace

QImageIOHandler::Transformations embeddedExifOrientation(const uchar *data, qint64 size, const QByteArray &format)
{
    if (format == "png")
        return orientationInPng(data, size);
    if (format == "webp")
        return orientationInWebp(data, size);
    return Transformation::TransformationNone;
}

QImage applyTransformation(const QImage &image, QImageIOHandler::Transformations transformation)
{
    QImage turned = image.mirrored(transformation.testFlag(Transformation::TransformationMirror),
                                   transformation.testFlag(Transformation::TransformationFlip));
    if (transformation.testFlag(Transformation::TransformationRotate90))
        turned = turned.transformed(QTransform().rotate(90));
    return turned;
}

} // namespace mergola
