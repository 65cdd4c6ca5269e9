#include "output/png_file.h"

#include "output/bmp_file.h"
#include "output_test_support.h"
#include "platform/image_file.h"

#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

using namespace mergola;
using namespace mergola::testing;

TEST(PngFile, HoldsExactlyThePixelsOfTheBmpOfTheSamePicture)
{
    QTemporaryDir dir;
    const QSize sizes[] = {{1, 1}, {5, 7}, {320, 480}};
    for (const QSize size : sizes) {
        const Picture picture = randomPicture(size.width(), size.height(), unsigned(size.width()));
        const QString png = dir.filePath(QStringLiteral("Reliëf %1.png").arg(size.width()));
        const QString bmp = dir.filePath(QStringLiteral("same.bmp"));
        const FileResult written = writePngFile(picture, png);
        ASSERT_TRUE(written.ok) << written.error.toStdString();
        ASSERT_TRUE(writeBmpFile(picture, bmp).ok);
        EXPECT_TRUE(contentsOf(png).startsWith("\x89PNG\r\n\x1a\n"));
        const QImage fromPng = decodePictureFile(png).image;
        EXPECT_EQ(fromPng, picture.image()) << size.width() << " x " << size.height();
        EXPECT_EQ(fromPng, decodePictureFile(bmp).image);
    }
}

TEST(PngFile, RefusesWhatItCannotWriteAndLeavesEverythingAsItWas)
{
    QTemporaryDir dir;
    const QString readOnly = writeFile(dir.path(), QStringLiteral("keep.png"), "precious");
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner));
    const QString missing = dir.filePath(QStringLiteral("no such folder/x.png"));
    const struct {
        Picture picture;
        QString path;
        QString saying;
    } cases[] = {
        {randomPicture(3, 2, 1), readOnly, QStringLiteral("cannot write %1: file is read-only").arg(readOnly)},
        {randomPicture(2, 2, 1), missing, QStringLiteral("cannot write %1: folder does not exist").arg(missing)},
        {Picture(0, 240, qRgb(1, 2, 3)), dir.filePath(QStringLiteral("empty.png")), QStringLiteral("no pixels")},
    };
    for (const auto &c : cases) {
        const FileResult result = writePngFile(c.picture, c.path);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.error.contains(c.saying)) << result.error.toStdString();
    }
    EXPECT_EQ(contentsOf(readOnly), QByteArray("precious"));
    EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("keep.png")});

    TinyDisk disk;
    if (!disk.usable())
        GTEST_SKIP() << "no small disk to fill: " << disk.why().toStdString();
    const QString full = disk.path() + QStringLiteral("/full.png");
    const Picture small = randomPicture(4, 4, 1);
    ASSERT_TRUE(writePngFile(small, full).ok);
    const FileResult result = writePngFile(randomPicture(321, 240, 2), full); // noise: about 231 KB on 64 KB
    const QString diskFull = QString::fromLocal8Bit(std::strerror(ENOSPC));
    EXPECT_EQ(result.error, QStringLiteral("cannot write %1: %2").arg(full, diskFull))
        << result.error.toStdString();
    EXPECT_EQ(decodePictureFile(full).image, small.image()) << "the old file stays";
    EXPECT_EQ(entriesOf(disk.path()), QStringList{QStringLiteral("full.png")});
}
