#include "output/file_result.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace mergola {

FileResult checkWritableTarget(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty())
        return fileError(QStringLiteral("no file name given"));
    if (!info.absoluteDir().exists())
        return fileError(QStringLiteral("cannot write %1: folder does not exist").arg(path));
    if (!info.exists())
        return fileOk();
    if (info.isDir())
        return fileError(QStringLiteral("cannot write %1: is a folder").arg(path));
    constexpr QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!info.isWritable() || !(info.permissions() & anyWrite))
        return fileError(QStringLiteral("cannot write %1: file is read-only").arg(path));
    return fileOk();
}

bool writeAllBytes(QSaveFile &file, const char *bytes, qint64 length, QString &reason)
{
    while (length > 0) {
        errno = 0;
        const qint64 written = file.write(bytes, length);
        if (written <= 0) {
            const int systemError = errno;
            if (systemError != 0)
                reason = QString::fromLocal8Bit(std::strerror(systemError));
            else if (file.error() != QFileDevice::NoError)
                reason = file.errorString();
            else
                reason = QStringLiteral("the file could not be written completely");
            return false;
        }
        bytes += written;
        length -= written;
    }
    return true;
}

} // namespace mergola
