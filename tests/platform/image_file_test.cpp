#include "platform/image_file.h"

#include "support/test_files.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace mergola;
using namespace mergola::testing;

TEST(DecodePictureFile, ReadsJpgBmpAndGifIntoRgb32)
{
    QTemporaryDir dir;
    const QImage source = gradientImage(40, 30);
    const QString bmp = writeImage(dir.path(), QStringLiteral("a.bmp"), source, "BMP");
    const QString jpg = writeImage(dir.path(), QStringLiteral("a.jpg"), source, "JPG", 95);
    const QString gif = writeFile(dir.path(), QStringLiteral("red.gif"), redPixelGif());

    const DecodeResult fromBmp = decodePictureFile(bmp);
    ASSERT_FALSE(fromBmp.image.isNull()) << fromBmp.error.toStdString();
    EXPECT_EQ(fromBmp.image.format(), QImage::Format_RGB32);
    EXPECT_EQ(fromBmp.image.pixel(39, 29), source.pixel(39, 29));

    const DecodeResult fromJpg = decodePictureFile(jpg);
    ASSERT_FALSE(fromJpg.image.isNull());
    EXPECT_EQ(fromJpg.image.size(), QSize(40, 30));

    const DecodeResult fromGif = decodePictureFile(gif);
    ASSERT_FALSE(fromGif.image.isNull());
    EXPECT_EQ(fromGif.image.pixel(0, 0), qRgb(255, 0, 0));
}

TEST(DecodePictureFile, AppliesTheExifOrientationSoPhonePhotosStandUpright)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("turned.jpg"));
    QImageWriter writer(path, "jpeg");
    writer.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(writer.write(gradientImage(64, 16)));

    const DecodeResult decoded = decodePictureFile(path);
    ASSERT_FALSE(decoded.image.isNull());
    EXPECT_EQ(decoded.image.size(), QSize(16, 64));
}

TEST(DecodePictureFile, RefusesBadFilesWithAReasonAndNoPicture)
{
    QTemporaryDir dir;
    const QImage source = gradientImage(50, 50);
    QByteArray jpg;
    {
        QBuffer buffer(&jpg);
        buffer.open(QIODevice::WriteOnly);
        source.save(&buffer, "JPG");
    }
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        source.save(&buffer, "BMP");
    }
    // A BMP header claiming 100000 x 100000 pixels: refused before allocating.
    QByteArray huge = bmp.left(54);
    const qint32 side = 100000;
    std::memcpy(huge.data() + 18, &side, 4);
    std::memcpy(huge.data() + 22, &side, 4);

    const struct {
        const char *name;
        QString path;
    } cases[] = {
        {"missing file", dir.filePath(QStringLiteral("nothing.jpg"))},
        {"directory", dir.path()},
        {"empty file", writeFile(dir.path(), QStringLiteral("empty.jpg"), {})},
        {"text named .jpg", writeFile(dir.path(), QStringLiteral("notes.jpg"), "just some text\n")},
        {"truncated bmp", writeFile(dir.path(), QStringLiteral("cut.bmp"), bmp.left(60))},
        {"corrupt gif", writeFile(dir.path(), QStringLiteral("bad.gif"), redPixelGif().left(14) + "garbage!")},
        {"absurd size", writeFile(dir.path(), QStringLiteral("huge.bmp"), huge)},
    };
    for (const auto &bad : cases) {
        const DecodeResult result = decodePictureFile(bad.path);
        EXPECT_TRUE(result.image.isNull()) << bad.name;
        EXPECT_FALSE(result.error.isEmpty()) << bad.name;
    }
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

TEST(DecodePictureFile, RefusesEveryCutOffFileInsteadOfShowingHalfAPicture)
{
    QTemporaryDir dir;
    const QByteArray files[] = {
        encoded(gradientImage(64, 64), "JPG"),
        encoded(gradientImage(33, 17), "BMP"),
        fileBytes(QStringLiteral(MERGOLA_TEST_DATA "/stripes.gif")),
    };
    const char *names[] = {"cut.jpg", "cut.bmp", "cut.gif"};
    for (int f = 0; f < 3; ++f) {
        const QByteArray &whole = files[f];
        ASSERT_GT(whole.size(), 40);
        const QString complete = writeFile(dir.path(), QStringLiteral("whole") + QLatin1String(names[f]), whole);
        EXPECT_FALSE(decodePictureFile(complete).image.isNull()) << names[f];
        // A GIF without its one-byte trailer still holds the whole picture.
        const qsizetype firstWhole = f == 2 ? whole.size() - 1 : whole.size();
        for (qsizetype keep = 1; keep < firstWhole; keep += std::max<qsizetype>(1, whole.size() / 97)) {
            const QString path = writeFile(dir.path(), QLatin1String(names[f]), whole.left(keep));
            const DecodeResult result = decodePictureFile(path);
            EXPECT_TRUE(result.image.isNull()) << names[f] << " cut at " << keep;
        }
    }
}

TEST(DecodePictureFile, ReadsNamesWithSpacesAndNonAsciiCharacters)
{
    QTemporaryDir dir;
    const QString path = writeImage(dir.path(), QStringLiteral("zoë en één foto.bmp"), gradientImage(3, 3), "BMP");
    ASSERT_FALSE(path.isEmpty());
    EXPECT_FALSE(decodePictureFile(path).image.isNull());
}

TEST(DecodePictureFile, ReadsPhotosBeyondQtsDefaultLimitOfA128MegabyteImage)
{
    // 8000 x 5000 needs 160 MB as RGB32: Qt refuses it unless told otherwise.
    QTemporaryDir dir;
    QImage large(8000, 5000, QImage::Format_RGB32);
    large.fill(qRgb(10, 200, 30));
    const QString path = writeImage(dir.path(), QStringLiteral("forty megapixels.jpg"), large, "JPG", 50);
    ASSERT_FALSE(path.isEmpty());
    const DecodeResult decoded = decodePictureFile(path);
    ASSERT_FALSE(decoded.image.isNull()) << decoded.error.toStdString();
    EXPECT_EQ(decoded.image.size(), QSize(8000, 5000));
}
