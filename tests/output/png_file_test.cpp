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
    for (const QSize size : {QSize(1, 1), QSize(5, 7), QSize(320, 480)}) {
        const Picture picture = randomPicture(size.width(), size.height(), unsigned(size.width()));
        const QString png = dir.filePath(QStringLiteral("Reliëf %1.png").arg(size.width()));
        const QString bmp = dir.filePath(QStringLiteral("same.bmp"));
        const FileResult written = writePngFile(picture, png);
        ASSERT_TRUE(written.ok) << written.error.toStdString();
        ASSERT_TRUE(writeBmpFile(picture, bmp).ok);
        EXPECT_TRUE(contentsOf(png).startsWith("\x89PNG\r\n\x1a\n"));
        EXPECT_EQ(decodePictureFile(png).image, decodePictureFile(bmp).image) << size.width() << " x " << size.height();
    }
}

// Read-only files and missing folders are refused by the check that the BMP
// writer shares (see its tests); what is the PNG writer's own is here.
TEST(PngFile, RefusesAnEmptyPictureAndAFullDiskLeavingTheOldFileWhole)
{
    QTemporaryDir dir;
    const FileResult empty = writePngFile(Picture(0, 240, qRgb(1, 2, 3)), dir.filePath(QStringLiteral("e.png")));
    EXPECT_TRUE(!empty.ok && empty.error.contains(QStringLiteral("no pixels"))) << empty.error.toStdString();
    EXPECT_TRUE(entriesOf(dir.path()).isEmpty());

    TinyDisk disk;
    if (!disk.usable())
        GTEST_SKIP() << "no small disk to fill: " << disk.why().toStdString();
    const QString full = disk.path() + QStringLiteral("/full.png");
    const Picture small = randomPicture(4, 4, 1);
    ASSERT_TRUE(writePngFile(small, full).ok);
    const FileResult result = writePngFile(randomPicture(321, 240, 2), full); // noise: about 231 KB on 64 KB
    const QString diskFull = QString::fromLocal8Bit(std::strerror(ENOSPC));
    EXPECT_EQ(result.error, QStringLiteral("cannot write %1: %2").arg(full, diskFull)) << result.error.toStdString();
    EXPECT_EQ(decodePictureFile(full).image, small.image()) << "the old file stays";
    EXPECT_EQ(entriesOf(disk.path()), QStringList{QStringLiteral("full.png")});
}
