// The BMP writer's file layout, and what it and the PNG writer promise
// alike: every pixel comes back, a target they cannot write is refused and
// left as it was, and a full disk leaves the old file whole.
#include "output/bmp_file.h"
#include "output/png_file.h"

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

const struct {
    FileResult (*write)(const Picture &, const QString &);
    QString extension;
    QByteArray magic;
} kFormats[] = {{writeBmpFile, "bmp", "BM"}, {writePngFile, "png", "\x89PNG\r\n\x1a\n"}};

std::uint32_t le32(const QByteArray &bytes, int at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

} // namespace

TEST(BmpFile, StoresTwentyFourBitRowsBottomUpPaddedToFourBytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.bmp");
    const Picture picture = randomPicture(5, 7, 1);
    ASSERT_TRUE(writeBmpFile(picture, path).ok);
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
    // The first stored row is the picture's bottom row, blue first; the top row is stored last.
    EXPECT_EQ(le32(bytes, kHeader) & 0xFFFFFF, picture.pixel(0, 6) & 0xFFFFFF);
    EXPECT_EQ(bytes[kHeader + 15], '\0') << "padding byte";
    EXPECT_EQ(le32(bytes, kHeader + 6 * kStride + 12) & 0xFFFFFF, picture.pixel(4, 0) & 0xFFFFFF);
}

TEST(BmpAndPngFile, HoldEveryPixelAtOddEvenAndStackedSizesReplacingAnEarlierFileWhole)
{
    QTemporaryDir dir;
    for (const auto &format : kFormats) {
        const QString path = dir.filePath("Reliëf van Zoë 日本." + format.extension);
        ASSERT_TRUE(format.write(randomPicture(400, 300, 7), path).ok);
        // 320 x 480 is two 320 x 240 pictures one under the other.
        for (const QSize size : {QSize(1, 1), QSize(3, 2), QSize(2, 5), QSize(321, 240), QSize(320, 480)}) {
            const Picture picture = randomPicture(size.width(), size.height(), unsigned(size.width() + size.height()));
            const FileResult written = format.write(picture, path);
            ASSERT_TRUE(written.ok) << written.error.toStdString();
            EXPECT_TRUE(contentsOf(path).startsWith(format.magic)) << path.toStdString();
            EXPECT_EQ(decodePictureFile(path).image, picture.image()) << path.toStdString() << " " << size.width();
        }
    }
    EXPECT_EQ(entriesOf(dir.path()), (QStringList{"Reliëf van Zoë 日本.bmp", "Reliëf van Zoë 日本.png"}));
}

TEST(BmpAndPngFile, RefuseTargetsTheyCannotWriteWithAReasonAndLeaveThemAsTheyWere)
{
    QTemporaryDir dir;
    const QString readOnly = writeFile(dir.path(), "keep", "precious");
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    const QString missing = dir.filePath("no such folder/x");
    const struct {
        Picture picture;
        QString path;
        QString saying;
    } cases[] = {
        {randomPicture(3, 2, 1), readOnly, QStringLiteral("cannot write %1: file is read-only").arg(readOnly)},
        {randomPicture(2, 2, 1), missing, QStringLiteral("cannot write %1: folder does not exist").arg(missing)},
        {randomPicture(2, 2, 1), dir.filePath("sub"), "sub: is a folder"},
        {Picture(0, 240, qRgb(1, 2, 3)), dir.filePath("e1"), "no pixels"},
    };
    for (const auto &format : kFormats)
        for (const auto &c : cases) {
            const FileResult result = format.write(c.picture, c.path);
            EXPECT_FALSE(result.ok);
            EXPECT_TRUE(result.error.contains(c.saying)) << result.error.toStdString();
        }
    EXPECT_EQ(contentsOf(readOnly), QByteArray("precious"));
    EXPECT_EQ(entriesOf(dir.path()), (QStringList{"keep", "sub"}));
    EXPECT_TRUE(entriesOf(dir.filePath("sub")).isEmpty());
}

TEST(BmpAndPngFile, KeepTheOldFileAndLeaveNoTemporaryWhenTheDiskIsFull)
{
    TinyDisk disk;
    if (!disk.usable())
        GTEST_SKIP() << "no small disk to fill: " << disk.why().toStdString();
    const Picture small = randomPicture(4, 4, 1);
    for (const auto &format : kFormats) {
        const QString path = disk.path() + "/full." + format.extension;
        ASSERT_TRUE(format.write(small, path).ok);
        const FileResult result = format.write(randomPicture(321, 240, 2), path); // noise: about 231 KB on 64 KB
        const QString diskFull = QString::fromLocal8Bit(std::strerror(ENOSPC));
        EXPECT_EQ(result.error, QStringLiteral("cannot write %1: %2").arg(path, diskFull));
        EXPECT_EQ(decodePictureFile(path).image, small.image()) << "the old file stays";
    }
    EXPECT_EQ(entriesOf(disk.path()), (QStringList{"full.bmp", "full.png"}));
}
