#include "output/jpeg_converter.h"

#include "output/bmp_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mergola {

namespace {

using BmpToJpegFunction = void (*)(const char *, const char *, std::int16_t);
using PixelsToJpegFunction = int (*)(const unsigned char *, int, int, int, const char *, std::int16_t);

// Every JPEG file starts with the start-of-image marker.
constexpr unsigned char kJpegMarker = 0xFF;
constexpr unsigned char kStartOfImage = 0xD8;

// Enough of a file's identity to tell whether the converter put a new file
// in place: it renames a fresh file over the target, so even when an older
// JPG was there the inode changes; a converter that rewrites in place still
// changes the modification time or the size.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t size = 0;

    bool operator==(const FileIdentity &) const = default;
};

FileIdentity identityOf(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return {true,
            status.st_dev,
            status.st_ino,
            std::int64_t(status.st_mtim.tv_sec),
            std::int64_t(status.st_mtim.tv_nsec),
            std::int64_t(status.st_size)};
}

bool startsLikeJpeg(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(2);
    return head.size() == 2 && static_cast<unsigned char>(head[0]) == kJpegMarker
           && static_cast<unsigned char>(head[1]) == kStartOfImage;
}

// Whether the folder lists the file under exactly its name, case included.
bool presentUnderExactName(const QString &path)
{
    const QFileInfo info(path);
    const QStringList found =
        info.absoluteDir().entryList({info.fileName()}, QDir::Files | QDir::Hidden | QDir::System);
    return found.contains(info.fileName(), Qt::CaseSensitive);
}

bool samePath(const QString &a, const QString &b)
{
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.absoluteFilePath() == second.absoluteFilePath())
        return true;
    const QString canonicalFirst = first.canonicalFilePath();
    return !canonicalFirst.isEmpty() && canonicalFirst == second.canonicalFilePath();
}

} // namespace

namespace {

// Loads the converter from libraryDir, resolves entry and lets convert call
// it (the library stays loaded meanwhile), then judges by the file what it
// left at jpgPath.
template <typename Function, typename Call>
FileResult runConverter(const QString &libraryDir, const char *entry, const QString &jpgPath, Call convert)
{
    const QString libraryPath = QDir(libraryDir).absoluteFilePath(QString::fromLatin1(kConverterLibraryFileName));
    // QLibrary given a missing path may try other names; only this file will do.
    if (!QFileInfo(libraryPath).isFile())
        return fileError(QStringLiteral("JPG converter not found: %1").arg(libraryPath));
    QLibrary library(libraryPath);
    if (!library.load())
        return fileError(QStringLiteral("cannot load the JPG converter: %1").arg(library.errorString()));
    const auto function = reinterpret_cast<Function>(library.resolve(entry));
    if (!function) {
        library.unload();
        return fileError(QStringLiteral("the JPG converter %1 has no entry point %2")
                             .arg(libraryPath, QString::fromLatin1(entry)));
    }
    if (FileResult target = checkWritableTarget(jpgPath); !target.ok) {
        library.unload();
        return target;
    }

    const FileIdentity before = identityOf(jpgPath);
    convert(function);
    library.unload();

    const FileIdentity after = identityOf(jpgPath);
    if (!after.exists)
        return fileError(QStringLiteral("cannot write %1: the JPG converter made no file").arg(jpgPath));
    if (after == before)
        return fileError(QStringLiteral("cannot write %1: the JPG converter did not replace the file").arg(jpgPath));
    if (after.size == 0 || !startsLikeJpeg(jpgPath)) {
        QFile::remove(jpgPath);
        return fileError(QStringLiteral("cannot write %1: the JPG converter made a broken file").arg(jpgPath));
    }
    return fileOk();
}

std::int16_t clampedQuality(int quality)
{
    return std::int16_t(std::clamp(quality, kLowestJpgQuality, kHighestJpgQuality));
}

FileResult checkJpegPicture(const Picture &picture, const QString &jpgPath)
{
    if (!picture.hasPixels())
        return fileError(QStringLiteral("cannot write %1: the picture has no pixels (%2 x %3)")
                             .arg(jpgPath)
                             .arg(picture.width())
                             .arg(picture.height()));
    if (picture.width() > kMaxJpegSide || picture.height() > kMaxJpegSide)
        return fileError(QStringLiteral("cannot write %1: a JPG file holds at most %2 pixels a side")
                             .arg(jpgPath)
                             .arg(kMaxJpegSide));
    return fileOk();
}

} // namespace

FileResult convertBmpToJpeg(const QString &libraryDir, const QString &bmpPath, const QString &jpgPath,
                            int quality)
{
    return runConverter<BmpToJpegFunction>(libraryDir, kConverterEntryPoint, jpgPath, [&](BmpToJpegFunction convert) {
        convert(QFile::encodeName(bmpPath).constData(), QFile::encodeName(jpgPath).constData(),
                clampedQuality(quality));
    });
}

FileResult writeJpegFromPixels(const Picture &picture, const QString &jpgPath, int quality, const QString &libraryDir)
{
    if (FileResult fits = checkJpegPicture(picture, jpgPath); !fits.ok)
        return fits;
    const QImage &image = picture.image();
    int error = 0;
    FileResult result = runConverter<PixelsToJpegFunction>(
        libraryDir, kPixelsEntryPoint, jpgPath, [&](PixelsToJpegFunction convert) {
            error = convert(image.constBits(), image.width(), image.height(), int(image.bytesPerLine()),
                            QFile::encodeName(jpgPath).constData(), clampedQuality(quality));
        });
    // The converter's own reason is more telling than the missing file.
    if (!result.ok && error != 0 && error != EINVAL)
        return fileError(QStringLiteral("cannot write %1: %2").arg(jpgPath, QString::fromLocal8Bit(std::strerror(error))));
    return result;
}

FileResult writeJpegFile(const Picture &picture, const QString &jpgPath, int quality, const QString &libraryDir,
                         const QString &temporaryBmpPath)
{
    if (FileResult fits = checkJpegPicture(picture, jpgPath); !fits.ok)
        return fits;
    // Converting the temporary file onto itself and then deleting it would
    // destroy the very file the user asked for.
    if (samePath(jpgPath, temporaryBmpPath))
        return fileError(QStringLiteral("cannot write %1: that is the name of the temporary file").arg(jpgPath));
    if (FileResult target = checkWritableTarget(jpgPath); !target.ok)
        return target;

    if (QFileInfo::exists(temporaryBmpPath) && !QFile::remove(temporaryBmpPath))
        return fileError(QStringLiteral("cannot replace the temporary file %1").arg(temporaryBmpPath));
    if (FileResult bmp = writeBmpFile(picture, temporaryBmpPath); !bmp.ok)
        return bmp;
    if (!presentUnderExactName(temporaryBmpPath)) {
        QFile::remove(temporaryBmpPath);
        return fileError(QStringLiteral("the temporary file %1 is missing").arg(temporaryBmpPath));
    }
    // The converter reads the BMP through a descriptor of the program's
    // own, the file's name already gone: a converter that crashes takes the
    // program with it, but leaves no temporary file behind.
    const int bmp = ::open(QFile::encodeName(temporaryBmpPath).constData(), O_RDONLY | O_CLOEXEC);
    const QString held = QStringLiteral("/proc/self/fd/%1").arg(bmp);
    const bool anonymous = bmp >= 0 && QFileInfo::exists(held) && QFile::remove(temporaryBmpPath);
    const FileResult converted = convertBmpToJpeg(libraryDir, anonymous ? held : temporaryBmpPath, jpgPath, quality);
    if (bmp >= 0)
        ::close(bmp);
    QFile::remove(temporaryBmpPath);
    return converted;
}

} // namespace mergola
