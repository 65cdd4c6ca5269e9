#include "output/file_result.h"

#include <QDir>
#include <QFileInfo>

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

} // namespace mergola
