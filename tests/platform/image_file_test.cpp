#include "platform/image_file.h"

#include "support/test_files.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QtEndian>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

using namespace mergola;
using namespace mergola::testing;

namespace {

QString dataFile(const char *name)
{
    return QStringLiteral(MERGOLA_TEST_DATA "/") + QLatin1String(name);
}

QByteArray dataBytes(const char *name)
{
    QFile file(dataFile(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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

TEST(DecodePictureFile, RefusesEveryCutOffFileInsteadOfShowingHalfAPicture)
{
    QTemporaryDir dir;
    QFile gif(QStringLiteral(MERGOLA_TEST_DATA "/stripes.gif"));
    ASSERT_TRUE(gif.open(QIODevice::ReadOnly));
    // A GIF without its one-byte trailer, or a PNG without its 12-byte end
    // chunk, still holds the whole picture.
    const std::tuple<QByteArray, QString, qsizetype> files[] = {{encoded(gradientImage(64, 64), "JPG"), "jpg", 0},
                                                                {encoded(gradientImage(33, 17), "BMP"), "bmp", 0},
                                                                {gif.readAll(), "gif", 1},
                                                                {dataBytes("picture.png"), "png", 12},
                                                                {dataBytes("picture.webp"), "webp", 0},
                                                                {dataBytes("pixels-last.tif"), "tif", 0},
                                                                {dataBytes("picture.heic"), "heic", 0}};
    for (const auto &[whole, suffix, trailer] : files) {
        ASSERT_GT(whole.size(), 40);
        EXPECT_FALSE(decodePictureFile(writeFile(dir.path(), QStringLiteral("whole.") + suffix, whole)).image.isNull());
        for (qsizetype keep = 1; keep < whole.size() - trailer; keep += std::max<qsizetype>(1, whole.size() / 97)) {
            const QString cut = writeFile(dir.path(), QStringLiteral("cut.") + suffix, whole.left(keep));
            EXPECT_TRUE(decodePictureFile(cut).image.isNull()) << suffix.toStdString() << " cut at " << keep;
        }
    }
}

TEST(DecodePictureFile, ReadsThePhonesHeicAndAvifAsTheirPngWithTransparencyOverWhite)
{
    // Made from the PNG (tests/data/make_pictures.sh): the AVIF losslessly,
    // the HEICs losslessly but for one level of the colour conversion's rounding.
    const QImage png = decodePictureFile(dataFile("picture.png")).image;
    const auto within = [&](const char *name, int tolerance, int transparentColumns) {
        const DecodeResult decoded = decodePictureFile(dataFile(name));
        if (decoded.image.size() != png.size())
            return ::testing::AssertionFailure() << name << ": " << decoded.error.toStdString();
        for (int y = 0; y < png.height(); ++y)
            for (int x = 0; x < png.width(); ++x) {
                const QRgb want = x < transparentColumns ? qRgb(255, 255, 255) : png.pixel(x, y);
                const QRgb got = decoded.image.pixel(x, y);
                if (std::max({std::abs(qRed(got) - qRed(want)), std::abs(qGreen(got) - qGreen(want)),
                              std::abs(qBlue(got) - qBlue(want))}) > tolerance)
                    return ::testing::AssertionFailure() << name << " at " << x << "," << y;
            }
        return ::testing::AssertionSuccess();
    };
    EXPECT_TRUE(within("picture.avif", 0, 0));
    EXPECT_TRUE(within("picture.heic", 1, 0));
    EXPECT_TRUE(within("half-clear.heic", 1, png.width() / 2)) << "the left half is fully transparent";
    const QStringList patterns = readablePicturePatterns();
    for (const char *pattern : {"*.heic", "*.heif", "*.avif"})
        EXPECT_TRUE(patterns.contains(QLatin1String(pattern))) << pattern;
}

TEST(DecodePictureFile, ReadsMotionPhotosWhateverFollowsThePictureAndGifsWhoseFirstFrameIsSmall)
{
    // A phone's motion photo: the video after the JPG's end, here random
    // bytes and bytes that look like the start of another scan.
    QTemporaryDir dir;
    const QByteArray jpg = encoded(gradientImage(64, 48), "JPG");
    const QImage alone = decodePictureFile(writeFile(dir.path(), QStringLiteral("alone.jpg"), jpg)).image;
    ASSERT_FALSE(alone.isNull());
    std::mt19937 random(19);
    for (int tail = 0; tail < 20; ++tail) {
        QByteArray motion = jpg + QByteArray("\xff\xda\x00\x08ftypmp42", 12);
        for (int i = 0; i < 3000; ++i)
            motion += char(random());
        const DecodeResult decoded = decodePictureFile(writeFile(dir.path(), QStringLiteral("motion.jpg"), motion));
        EXPECT_EQ(decoded.image, alone) << tail << ": " << decoded.error.toStdString();
    }
    // The first frame drawn on the screen's background, the palette's red.
    const QImage stripes = decodePictureFile(dataFile("stripes.gif")).image;
    const QImage screen = decodePictureFile(dataFile("small-frame.gif")).image;
    ASSERT_EQ(screen.size(), QSize(2000, 1000));
    EXPECT_EQ(screen.copy(QRect(QPoint(0, 0), stripes.size())), stripes);
    EXPECT_EQ(screen.pixel(1999, 999), qRgb(255, 0, 0));
}

TEST(DecodePictureFile, StandsPngWebpAndTiffUprightByTheirExifOrientation)
{
    const QImage bmp = decodePictureFile(dataFile("picture.bmp")).image;
    const int w = bmp.width();
    const int h = bmp.height();
    // Where each pixel of the upright picture (h wide, w high) comes from.
    const struct {
        const char *file;
        QPoint (*source)(int x, int y, int w, int h);
    } cases[] = {
        {"turned-6.png", [](int x, int y, int, int h) { return QPoint(y, h - 1 - x); }}, // a quarter turn right
        {"turned-5.webp", [](int x, int y, int, int) { return QPoint(y, x); }},          // mirrored on the diagonal
        {"turned-8.tif", [](int x, int y, int w, int) { return QPoint(w - 1 - y, x); }}, // a quarter turn left
    };
    for (const auto &c : cases) {
        const QImage upright = decodePictureFile(dataFile(c.file)).image;
        ASSERT_EQ(upright.size(), QSize(h, w)) << c.file;
        for (int y = 0; y < w; ++y)
            for (int x = 0; x < h; ++x)
                ASSERT_EQ(upright.pixel(x, y), bmp.pixel(c.source(x, y, w, h))) << c.file << " at " << x << "," << y;
    }
}

TEST(DecodePictureFile, RefusesForgedSizesAndFormatsItDoesNotListAsPictures)
{
    QTemporaryDir dir;
    // A WebP canvas of 16384 x 16384 (the format's largest) and a TIFF whose
    // first two directory entries claim 60000 x 60000: refused unallocated.
    QByteArray webp = dataBytes("picture.webp");
    webp.insert(12, QByteArray("VP8X\x0a\0\0\0\0\0\0\0\xff\x3f\0\xff\x3f\0", 18));
    qToLittleEndian(quint32(webp.size() - 8), webp.data() + 4); // the RIFF size
    QByteArray tiff = dataBytes("pixels-last.tif");
    tiff.replace(18, 2, "\x60\xea").replace(30, 2, "\x60\xea");
    const std::pair<QString, const char *> cases[] = {
        {writeFile(dir.path(), QStringLiteral("huge.webp"), webp), "too large"},
        {writeFile(dir.path(), QStringLiteral("huge.tif"), tiff), "too large"},
        {writeFile(dir.path(), QStringLiteral("icon.png"), encoded(gradientImage(8, 8), "XPM")), "format"},
    };
    for (const auto &[path, saying] : cases) {
        const DecodeResult result = decodePictureFile(path);
        EXPECT_TRUE(result.image.isNull() && result.error.contains(QLatin1String(saying))) << result.error.toStdString();
    }
    // The open dialog lists what is read, and Qt's icon and texture formats are not.
    const QStringList patterns = readablePicturePatterns();
    EXPECT_TRUE(patterns.contains(QStringLiteral("*.jpeg")) && patterns.contains(QStringLiteral("*.tiff")));
    for (const char *pattern : {"*.xpm", "*.ico", "*.tga", "*.svg"})
        EXPECT_FALSE(patterns.contains(QLatin1String(pattern))) << pattern;
}
