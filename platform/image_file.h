// Decoding picture files (JPG, BMP, GIF, PNG, and WebP, TIFF and newer
// formats where Qt has a plugin for them) into RGB32 images, safely: the
// format is told from the content, not the name; a header that claims an
// absurd size is refused before anything is allocated, and so is a file
// cut off before its end; the EXIF orientation is applied so phone photos
// appear upright; transparent pixels are laid over white.
//
// The parts: damage_checks.h (the checks on a file's bytes before Qt's
// reader), plain_bmp.h (the fast reader of plain BMPs), bmp_header.h (the
// one reading of a BMP's headers), tiff_messages.h (libtiff's complaints
// routed through Qt), exif_orientation.h (the orientation Qt's readers
// leave out). This file ties them together and keeps the formats' list.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

namespace mergola {

// Large enough for today's 50- and 100-megapixel cameras, small enough that
// a forged header cannot make us reserve gigabytes.
constexpr long long kMaxDecodedPixels = 250'000'000;

struct DecodeResult {
    DecodeResult() = default;
    DecodeResult(QImage decoded, QString why) : image(std::move(decoded)), error(std::move(why)) {}

    QImage image;   // Format_RGB32 on success, null on failure
    QString error;  // why it failed, in plain words, for the CLI
    // Set when it failed because memory ran out, not because of the file;
    // size is the picture's where the file tells it.
    bool outOfMemory = false;
    QSize size;
};

// The failure of a good file whose picture the memory cannot hold.
DecodeResult outOfMemoryFor(const QSize &size);

DecodeResult decodePictureFile(const QString &path);

// "*.suffix" for every picture format that decodePictureFile reads with the
// Qt plugins installed here, lower case, in a fixed order.
QStringList readablePicturePatterns();

} // namespace mergola
