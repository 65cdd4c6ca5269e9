#include "platform/image_file.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace mergola {

namespace {

// Qt refuses images over 128 MB by default; a 250-megapixel RGB32 picture
// needs 1000 MB, and the decoder wants a little more while it works.
constexpr int kAllocationLimitMegabytes = 1100;

} // namespace

DecodeResult decodePictureFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {{}, QStringLiteral("file does not exist")};
    if (!info.isFile())
        return {{}, QStringLiteral("not a regular file")};
    if (!info.isReadable())
        return {{}, QStringLiteral("file cannot be read")};

    QImageReader::setAllocationLimit(kAllocationLimitMegabytes);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {{}, QStringLiteral("not a picture file that can be decoded")};
    const QSize claimed = reader.size();
    if (claimed.isValid() && static_cast<long long>(claimed.width()) * claimed.height() > kMaxDecodedPixels)
        return {{}, QStringLiteral("picture is too large (%1 x %2 pixels)").arg(claimed.width()).arg(claimed.height())};

    QImage image = reader.read();
    if (image.isNull())
        return {{}, QStringLiteral("cannot decode picture: %1").arg(reader.errorString())};

    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        if (flat.isNull())
            return {{}, QStringLiteral("not enough memory for the picture")};
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
        painter.end();
        return {flat, {}};
    }
    QImage converted = image.convertToFormat(QImage::Format_RGB32);
    if (converted.isNull())
        return {{}, QStringLiteral("not enough memory for the picture")};
    return {converted, {}};
}

} // namespace mergola
