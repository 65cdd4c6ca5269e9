#include "output/png_file.h"

#include <QBuffer>
#include <QImageWriter>
#include <QSaveFile>

namespace mergola {

FileResult writePngFile(const Picture &picture, const QString &path)
{
    if (!picture.hasPixels())
        return fileError(QStringLiteral("cannot write %1: the picture has no pixels (%2 x %3)")
                             .arg(path)
                             .arg(picture.width())
                             .arg(picture.height()));
    if (FileResult target = checkWritableTarget(path); !target.ok)
        return target;

    // Encoded in memory first (mostly far smaller than the picture): the
    // encoder gives up on a short write without saying why, while the file
    // is written here the way that finds the system's reason.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(picture.image()))
        return fileError(QStringLiteral("cannot write %1: %2").arg(path, writer.errorString()));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fileError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    QString reason;
    if (!writeAllBytes(file, encoded.constData(), encoded.size(), reason))
        return fileError(QStringLiteral("cannot write %1: %2").arg(path, reason));
    if (!file.commit())
        return fileError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return fileOk();
}

} // namespace mergola
