// The EXIF orientation that PNG files (in an eXIf chunk) and WebP files (in
// an EXIF chunk) may carry. Phones and cameras leave a photo's pixels as
// the sensor saw them and note how to turn them; Qt's readers of these two
// formats ignore that note, while its JPG and TIFF readers apply it. Read
// here from the file's bytes, which may come from anyone: every offset and
// length is checked against the data before it is used.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>

namespace mergola {

// The orientation stored in a whole PNG or WebP file (format "png" or
// "webp"), as the transformation that shows it upright;
// TransformationNone when there is none or it cannot be read.
QImageIOHandler::Transformations embeddedExifOrientation(const uchar *data, qint64 size, const QByteArray &format);

// image turned as Qt's own readers turn it: mirrored and flipped first,
// then a quarter turn clockwise.
QImage applyTransformation(const QImage &image, QImageIOHandler::Transformations transformation);

} // namespace mergola
