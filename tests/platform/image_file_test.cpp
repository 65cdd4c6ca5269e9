#include "platform/image_file.h"

#include "support/test_files.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>

using namespace mergola;
using namespace mergola::testing;

namespace {

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace

TEST(DecodePictureFile, ReadsJpgBmpAndGifIntoRgb32UnderAnyNameUprightWithTransparencyOverWhite)
{
    QTemporaryDir dir;
    const QImage source = gradientImage(40, 30);
    const DecodeResult fromBmp =
        decodePictureFile(writeImage(dir.path(), QStringLiteral("zoë en één foto.bmp"), source, "BMP"));
    ASSERT_FALSE(fromBmp.image.isNull()) << fromBmp.error.toStdString();
    EXPECT_EQ(fromBmp.image, source);
    const QString jpg = writeImage(dir.path(), QStringLiteral("a.jpg"), source, "JPG", 95);
    EXPECT_EQ(decodePictureFile(jpg).image.size(), QSize(40, 30));
    const DecodeResult fromGif = decodePictureFile(writeFile(dir.path(), QStringLiteral("red.gif"), redPixelGif()));
    ASSERT_FALSE(fromGif.image.isNull());
    EXPECT_EQ(fromGif.image.format(), QImage::Format_RGB32);
    EXPECT_EQ(fromGif.image.pixel(0, 0), qRgb(255, 0, 0));

    // Transparent pixels show over white.
    QImage alpha(2, 1, QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(0, 0, 0, 0));
    alpha.setPixel(1, 0, qRgba(10, 20, 30, 255));
    const QImage decoded = decodePictureFile(writeImage(dir.path(), QStringLiteral("alpha.png"), alpha, "PNG")).image;
    EXPECT_EQ(decoded.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(decoded.pixel(1, 0), qRgb(10, 20, 30));

    // The orientation a phone notes in its photo is applied, so the photo stands upright.
    QImageWriter turned(dir.filePath(QStringLiteral("turned.jpg")), "jpeg");
    turned.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(turned.write(gradientImage(64, 16)));
    EXPECT_EQ(decodePictureFile(turned.fileName()).image.size(), QSize(16, 64));
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

TEST(DecodePictureFile, RefusesBadFilesWithAReasonAndNoPicture)
{
    QTemporaryDir dir;
    const QByteArray bmp = encoded(gradientImage(50, 50), "BMP");
    // A BMP header claiming 100000 x 100000 pixels: refused before allocating.
    QByteArray huge = bmp.left(54);
    const qint32 side = 100000;
    std::memcpy(huge.data() + 18, &side, 4);
    std::memcpy(huge.data() + 22, &side, 4);
    const std::pair<const char *, QString> cases[] = {
        {"missing file", dir.filePath(QStringLiteral("nothing.jpg"))},
        {"directory", dir.path()},
        {"empty file", writeFile(dir.path(), QStringLiteral("empty.jpg"), {})},
        {"text named .jpg", writeFile(dir.path(), QStringLiteral("notes.jpg"), "just some text\n")},
        {"truncated bmp", writeFile(dir.path(), QStringLiteral("cut.bmp"), bmp.left(60))},
        {"corrupt gif", writeFile(dir.path(), QStringLiteral("bad.gif"), redPixelGif().left(14) + "garbage!")},
        {"absurd size", writeFile(dir.path(), QStringLiteral("huge.bmp"), huge)},
    };
    for (const auto &[name, path] : cases) {
        const DecodeResult result = decodePictureFile(path);
        EXPECT_TRUE(result.image.isNull()) << name;
        EXPECT_FALSE(result.error.isEmpty()) << name;
    }
}

TEST(DecodePictureFile, RefusesEveryCutOffFileInsteadOfShowingHalfAPicture)
{
    QTemporaryDir dir;
    QFile gif(QStringLiteral(MERGOLA_TEST_DATA "/stripes.gif"));
    ASSERT_TRUE(gif.open(QIODevice::ReadOnly));
    // A GIF without its one-byte trailer still holds the whole picture.
    const std::tuple<QByteArray, QString, qsizetype> files[] = {{encoded(gradientImage(64, 64), "JPG"), "jpg", 0},
                                                                {encoded(gradientImage(33, 17), "BMP"), "bmp", 0},
                                                                {gif.readAll(), "gif", 1}};
    for (const auto &[whole, suffix, trailer] : files) {
        ASSERT_GT(whole.size(), 40);
        EXPECT_FALSE(decodePictureFile(writeFile(dir.path(), QStringLiteral("whole.") + suffix, whole)).image.isNull());
        for (qsizetype keep = 1; keep < whole.size() - trailer; keep += std::max<qsizetype>(1, whole.size() / 97)) {
            const QString cut = writeFile(dir.path(), QStringLiteral("cut.") + suffix, whole.left(keep));
            EXPECT_TRUE(decodePictureFile(cut).image.isNull()) << suffix.toStdString() << " cut at " << keep;
        }
    }
}
