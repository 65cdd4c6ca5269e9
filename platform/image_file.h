// Decoding picture files (JPG, BMP, GIF and whatever else Qt reads) into
// RGB32 images, safely: a header that claims an absurd size is refused
// before anything is allocated, the EXIF orientation is applied so phone
// photos appear upright, and transparent pixels are laid over white.
#pragma once

#include <QImage>
#include <QString>
#include <optional>

namespace mergola {

// Large enough for today's 50- and 100-megapixel cameras, small enough that
// a forged header cannot make us reserve gigabytes.
constexpr long long kMaxDecodedPixels = 250'000'000;

struct DecodeResult {
    QImage image;   // Format_RGB32 on success, null on failure
    QString error;  // why it failed, in plain words, for the CLI
};

DecodeResult decodePictureFile(const QString &path);

} // namespace mergola
