// HEIC, HEIF and AVIF, the formats of many newer phones, decoded through
// libheif under the same rules as every other format: the primary picture
// of a file that holds several, its rotation and mirroring applied, a size
// beyond the limit refused before anything is decoded, transparency laid
// over white, and one line that says why a file cannot be read.
#pragma once

#include "platform/image_file.h"

#include <QByteArray>
#include <QStringList>

namespace mergola {

// Whether a file starting with head is a HEIF container (HEIC, AVIF...).
bool looksLikeHeif(const QByteArray &head);

// Decodes path, which looksLikeHeif, into an RGB32 picture.
DecodeResult decodeHeifFile(const QString &path);

// "*.heic", "*.heif", "*.avif" as far as libheif has decoders here.
QStringList heifPatterns();

} // namespace mergola
