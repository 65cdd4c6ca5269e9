#include "output/bmp_file.h"

#include "output_test_support.h"
#include "platform/image_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

using namespace mergola;
using namespace mergola::testing;

namespace {

std::uint32_t le32(const QByteArray &bytes, int at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

std::uint16_t le16(const QByteArray &bytes, int at)
{
    return std::uint16_t(static_cast<std::uint8_t>(bytes[at]) | (static_cast<std::uint8_t>(bytes[at + 1]) << 8));
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void expectSamePixels(const Picture &expected, const QImage &actual)
{
    ASSERT_EQ(actual.width(), expected.width());
    ASSERT_EQ(actual.height(), expected.height());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            ASSERT_EQ(qRgb(qRed(actual.pixel(x, y)), qGreen(actual.pixel(x, y)), qBlue(actual.pixel(x, y))),
                      expected.pixel(x, y))
                << "pixel (" << x << ", " << y << ") of " << expected.width() << " x " << expected.height();
}

} // namespace

TEST(BmpFile, RoundTripsEveryPixelAtOddEvenAndStackedSizes)
{
    QTemporaryDir dir;
    // 320 x 480 is the shape of two 320 x 240 pictures combined one under the other.
    const QSize sizes[] = {{1, 1}, {3, 2}, {5, 7}, {321, 240}, {320, 480}, {1, 9}, {9, 1}};
    for (const QSize size : sizes) {
        const Picture picture = scrambled(size.width(), size.height(), unsigned(size.width() * 1000 + size.height()));
        const QString path = dir.filePath(QStringLiteral("round %1x%2.bmp").arg(size.width()).arg(size.height()));
        const FileResult result = writeBmpFile(picture, path);
        ASSERT_TRUE(result.ok) << result.error.toStdString();

        const DecodeResult decoded = decodePictureFile(path);
        ASSERT_FALSE(decoded.image.isNull()) << decoded.error.toStdString();
        expectSamePixels(picture, decoded.image);
    }
}

TEST(BmpFile, StoresTwentyFourBitRowsBottomUpPaddedToFourBytes)
{
    QTemporaryDir dir;
    const Picture picture = scrambled(5, 7);
    const QString path = dir.filePath(QStringLiteral("layout.bmp"));
    ASSERT_TRUE(writeBmpFile(picture, path).ok);

    const QByteArray bytes = contentsOf(path);
    constexpr int kHeader = 54;
    constexpr int kStride = 16; // 5 pixels of 3 bytes, padded from 15 to 16
    ASSERT_EQ(bytes.size(), kHeader + kStride * 7);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(le32(bytes, 2), std::uint32_t(bytes.size()));
    EXPECT_EQ(le32(bytes, 10), std::uint32_t(kHeader));
    EXPECT_EQ(le32(bytes, 18), 5u);
    EXPECT_EQ(le32(bytes, 22), 7u) << "positive height: bottom-up rows";
    EXPECT_EQ(le16(bytes, 28), 24);
    EXPECT_EQ(le32(bytes, 30), 0u) << "uncompressed";

    // The first stored row is the picture's bottom row, blue first.
    const QRgb bottomLeft = picture.pixel(0, 6);
    EXPECT_EQ(std::uint8_t(bytes[kHeader]), qBlue(bottomLeft));
    EXPECT_EQ(std::uint8_t(bytes[kHeader + 1]), qGreen(bottomLeft));
    EXPECT_EQ(std::uint8_t(bytes[kHeader + 2]), qRed(bottomLeft));
    EXPECT_EQ(bytes[kHeader + 15], '\0') << "padding byte";
    const QRgb topRight = picture.pixel(4, 0);
    EXPECT_EQ(std::uint8_t(bytes[kHeader + 6 * kStride + 12]), qBlue(topRight));
    EXPECT_EQ(std::uint8_t(bytes[kHeader + 6 * kStride + 14]), qRed(topRight));
}

TEST(BmpFile, WritesUnderNamesWithSpacesAndLettersBeyondAscii)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Mijn foto's – été"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/Reliëf van Zoë 日本.bmp");
    const Picture picture = scrambled(4, 3);
    const FileResult result = writeBmpFile(picture, path);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(entriesOf(folder), QStringList{QStringLiteral("Reliëf van Zoë 日本.bmp")});
    expectSamePixels(picture, decodePictureFile(path).image);
}

TEST(BmpFile, ReplacesAnExistingLargerFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("again.bmp"));
    ASSERT_TRUE(writeBmpFile(scrambled(40, 30, 7), path).ok);
    const Picture smaller = scrambled(3, 2, 8);
    ASSERT_TRUE(writeBmpFile(smaller, path).ok);
    EXPECT_EQ(contentsOf(path).size(), 54 + 12 * 2);
    expectSamePixels(smaller, decodePictureFile(path).image);
    EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("again.bmp")});
}

TEST(BmpFile, RefusesAReadOnlyTargetAndLeavesItAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.bmp"));
    {
        QFile keep(path);
        ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
        keep.write("precious");
    }
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    const FileResult result = writeBmpFile(scrambled(3, 2), path);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(path)) << result.error.toStdString();
    EXPECT_TRUE(result.error.contains(QStringLiteral("read-only"))) << result.error.toStdString();
    EXPECT_EQ(contentsOf(path), QByteArray("precious"));
    EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("keep.bmp")});
}

TEST(BmpFile, FailsWithAReasonForAFolderThatDoesNotExistOrAFolderAsTarget)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no such folder/x.bmp"));
    FileResult result = writeBmpFile(scrambled(2, 2), missing);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, QStringLiteral("cannot write %1: folder does not exist").arg(missing));

    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub.bmp")));
    result = writeBmpFile(scrambled(2, 2), dir.filePath(QStringLiteral("sub.bmp")));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("sub.bmp")});
    EXPECT_TRUE(entriesOf(dir.filePath(QStringLiteral("sub.bmp"))).isEmpty());
}

TEST(BmpFile, RefusesAPictureWithoutPixels)
{
    QTemporaryDir dir;
    const QSize sizes[] = {{0, 0}, {0, 240}, {320, 0}};
    for (const QSize size : sizes) {
        const QString path = dir.filePath(QStringLiteral("empty.bmp"));
        const FileResult result = writeBmpFile(Picture(size.width(), size.height(), qRgb(1, 2, 3)), path);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.error.contains(QStringLiteral("no pixels"))) << result.error.toStdString();
    }
    EXPECT_TRUE(entriesOf(dir.path()).isEmpty());
}

TEST(BmpFile, FailsInAFolderThatCannotBeWrittenAndLeavesNothing)
{
    UnwritableFolder folder;
    if (!folder.usable())
        GTEST_SKIP() << "no unwritable folder to be had: " << folder.why().toStdString();
    ASSERT_TRUE(folder.lock());
    const QString path = folder.path() + QStringLiteral("/x.bmp");
    const FileResult result = writeBmpFile(scrambled(3, 3), path);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("cannot write %1: ").arg(path))) << result.error.toStdString();
    EXPECT_TRUE(entriesOf(folder.path()).isEmpty());
}

TEST(BmpFile, KeepsTheOldFileAndLeavesNoTemporaryWhenTheDiskIsFull)
{
    TinyDisk disk;
    if (!disk.usable())
        GTEST_SKIP() << "no small disk to fill: " << disk.why().toStdString();
    const QString path = disk.path() + QStringLiteral("/full.bmp");
    const Picture small = scrambled(4, 4);
    ASSERT_TRUE(writeBmpFile(small, path).ok);

    const FileResult result = writeBmpFile(scrambled(321, 240), path); // about 231 KB on 64 KB
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error,
              QStringLiteral("cannot write %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(ENOSPC))));
    expectSamePixels(small, decodePictureFile(path).image);
    EXPECT_EQ(entriesOf(disk.path()), QStringList{QStringLiteral("full.bmp")});
}
