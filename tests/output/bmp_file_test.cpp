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

// A pixel as a 24-bit BMP stores it: blue, green, red.
QByteArray bgrBytes(QRgb c)
{
    const char bytes[] = {char(qBlue(c)), char(qGreen(c)), char(qRed(c))};
    return QByteArray(bytes, 3);
}

void expectFileHolds(const QString &path, const Picture &expected)
{
    const DecodeResult decoded = decodePictureFile(path);
    ASSERT_FALSE(decoded.image.isNull()) << decoded.error.toStdString();
    EXPECT_EQ(decoded.image, expected.image()) << expected.width() << " x " << expected.height();
}

} // namespace

TEST(BmpFile, StoresTwentyFourBitRowsBottomUpPaddedToFourBytesAndEveryPixelComesBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Reliëf van Zoë 日本.bmp"));
    ASSERT_TRUE(writeBmpFile(randomPicture(40, 30, 7), path).ok);
    const Picture picture = randomPicture(5, 7, 1);
    const FileResult result = writeBmpFile(picture, path); // replacing a larger file whole
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("Reliëf van Zoë 日本.bmp")});
    const QByteArray bytes = contentsOf(path);
    constexpr int kHeader = 54;
    constexpr int kStride = 16; // 5 pixels of 3 bytes, padded from 15 to 16
    ASSERT_EQ(bytes.size(), kHeader + kStride * 7);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(le32(bytes, 2), std::uint32_t(bytes.size()));
    EXPECT_EQ(le32(bytes, 10), std::uint32_t(kHeader));
    EXPECT_EQ(le32(bytes, 14), 40u) << "the classic header";
    EXPECT_EQ(le32(bytes, 18), 5u);
    EXPECT_EQ(le32(bytes, 22), 7u) << "positive height: bottom-up rows";
    EXPECT_EQ(le32(bytes, 26), 1u | 24u << 16) << "one plane, 24 bits";
    EXPECT_EQ(le32(bytes, 30), 0u) << "uncompressed";
    EXPECT_EQ(le32(bytes, 34), std::uint32_t(kStride * 7));
    // The first stored row is the picture's bottom row, blue first.
    EXPECT_EQ(bytes.mid(kHeader, 3), bgrBytes(picture.pixel(0, 6)));
    EXPECT_EQ(bytes[kHeader + 15], '\0') << "padding byte";
    EXPECT_EQ(bytes.mid(kHeader + 6 * kStride + 12, 3), bgrBytes(picture.pixel(4, 0))) << "the top row is stored last";

    // Odd, even and stacked sizes (320 x 480 is two 320 x 240 pictures one under the other).
    for (const QSize size : {QSize(1, 1), QSize(3, 2), QSize(2, 5), QSize(321, 240), QSize(320, 480)}) {
        const Picture random = randomPicture(size.width(), size.height(), unsigned(size.width() + size.height()));
        ASSERT_TRUE(writeBmpFile(random, path).ok);
        expectFileHolds(path, random);
    }
}

TEST(BmpFile, RefusesTargetsItCannotWriteWithAReasonAndLeavesThemAsTheyWere)
{
    QTemporaryDir dir;
    const QString readOnly = writeFile(dir.path(), QStringLiteral("keep.bmp"), "precious");
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub.bmp")));
    const QString missing = dir.filePath(QStringLiteral("no such folder/x.bmp"));
    const struct {
        Picture picture;
        QString path;
        QString saying;
    } cases[] = {
        {randomPicture(3, 2, 1), readOnly, QStringLiteral("cannot write %1: file is read-only").arg(readOnly)},
        {randomPicture(2, 2, 1), missing, QStringLiteral("cannot write %1: folder does not exist").arg(missing)},
        {randomPicture(2, 2, 1), dir.filePath(QStringLiteral("sub.bmp")), QStringLiteral("sub.bmp: is a folder")},
        {Picture(0, 240, qRgb(1, 2, 3)), dir.filePath(QStringLiteral("e1.bmp")), QStringLiteral("no pixels")},
        {Picture(320, 0, qRgb(1, 2, 3)), dir.filePath(QStringLiteral("e2.bmp")), QStringLiteral("no pixels")},
    };
    for (const auto &c : cases) {
        const FileResult result = writeBmpFile(c.picture, c.path);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.error.contains(c.saying)) << result.error.toStdString();
    }
    EXPECT_EQ(contentsOf(readOnly), QByteArray("precious"));
    EXPECT_EQ(entriesOf(dir.path()), (QStringList{QStringLiteral("keep.bmp"), QStringLiteral("sub.bmp")}));
    EXPECT_TRUE(entriesOf(dir.filePath(QStringLiteral("sub.bmp"))).isEmpty());
}

TEST(BmpFile, KeepsTheOldFileAndLeavesNoTemporaryWhenTheDiskIsFull)
{
    TinyDisk disk;
    if (!disk.usable())
        GTEST_SKIP() << "no small disk to fill: " << disk.why().toStdString();
    const QString path = disk.path() + QStringLiteral("/full.bmp");
    const Picture small = randomPicture(4, 4, 1);
    ASSERT_TRUE(writeBmpFile(small, path).ok);

    const FileResult result = writeBmpFile(randomPicture(321, 240, 2), path); // about 231 KB on 64 KB
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, QStringLiteral("cannot write %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(ENOSPC))));
    expectFileHolds(path, small);
    EXPECT_EQ(entriesOf(disk.path()), QStringList{QStringLiteral("full.bmp")});
}
