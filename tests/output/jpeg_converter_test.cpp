#include "output/jpeg_converter.h"

#include "output/bmp_file.h"
#include "output_test_support.h"
#include "platform/image_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace mergola;
using namespace mergola::testing;

namespace {

// A picture that a JPEG encoder can keep close: smooth ramps with flat
// blocks of pure colour in the corners.
Picture smooth(int width, int height)
{
    Picture picture(width, height, qRgb(255, 255, 255));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1), 128));
    picture.fillRect(0, 0, width / 4, height / 4, qRgb(200, 30, 160));
    picture.fillRect(width - width / 4, height - height / 4, width - 1, height - 1, qRgb(20, 180, 40));
    return picture;
}

struct ColourDistance {
    double mean = 0; // per channel, over the whole picture
    int largest = 0; // per channel, any pixel
};

ColourDistance distance(const Picture &expected, const QImage &actual)
{
    ColourDistance d;
    double sum = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb e = expected.pixel(x, y);
            const QRgb a = actual.pixel(x, y);
            const int diffs[] = {std::abs(qRed(e) - qRed(a)), std::abs(qGreen(e) - qGreen(a)),
                                 std::abs(qBlue(e) - qBlue(a))};
            for (int diff : diffs) {
                sum += diff;
                d.largest = std::max(d.largest, diff);
            }
        }
    d.mean = sum / (3.0 * expected.width() * expected.height());
    return d;
}

qint64 sizeOf(const QString &path) { return QFileInfo(path).size(); }

} // namespace

// JPEG is lossy: at quality 90 with full-resolution colour a smooth picture
// comes back within a couple of levels on average, and the middle of a flat
// block almost exactly; single pixels at the hard edges of the flat blocks
// ring by a few dozen levels.
constexpr double kMeanColourTolerance = 2.0;
constexpr int kFlatColourTolerance = 4;
constexpr int kLargestColourTolerance = 40;

TEST(JpegConverter, TurnsAPictureIntoAJpgCloseToItsColoursThroughTheRealLibrary)
{
    QTemporaryDir dir;
    const Picture picture = smooth(96, 64);
    const QString jpg = dir.filePath(QStringLiteral("smooth.jpg"));
    const QString temporary = dir.filePath(QStringLiteral("mydummy.bmp"));
    const FileResult result = writeJpegFile(picture, jpg, 89, converterDir(), temporary);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("smooth.jpg")}) << "temporary BMP deleted";

    const DecodeResult decoded = decodePictureFile(jpg);
    ASSERT_FALSE(decoded.image.isNull()) << decoded.error.toStdString();
    ASSERT_EQ(decoded.image.size(), QSize(96, 64));
    const ColourDistance d = distance(picture, decoded.image);
    EXPECT_LE(d.mean, kMeanColourTolerance);
    EXPECT_LE(d.largest, kLargestColourTolerance);
    const QRgb flat = decoded.image.pixel(8, 6); // inside the magenta block
    EXPECT_NEAR(qRed(flat), 200, kFlatColourTolerance);
    EXPECT_NEAR(qGreen(flat), 30, kFlatColourTolerance);
    EXPECT_NEAR(qBlue(flat), 160, kFlatColourTolerance);
}

TEST(JpegConverter, KeepsOddAndStackedSizes)
{
    QTemporaryDir dir;
    const QSize sizes[] = {{1, 1}, {3, 2}, {5, 7}, {321, 240}, {320, 480}};
    for (const QSize size : sizes) {
        const QString jpg = dir.filePath(QStringLiteral("%1x%2.jpg").arg(size.width()).arg(size.height()));
        const FileResult result = writeJpegFile(smooth(size.width(), size.height()), jpg, 75, converterDir(),
                                                dir.filePath(QStringLiteral("mydummy.bmp")));
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(decodePictureFile(jpg).image.size(), size);
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("mydummy.bmp"))));
}

TEST(JpegConverter, HigherQualityGivesALargerFileAndBothEndsOfTheScaleWork)
{
    QTemporaryDir dir;
    const Picture picture = scrambled(64, 48);
    const QString bmp = dir.filePath(QStringLiteral("noise.bmp"));
    ASSERT_TRUE(writeBmpFile(picture, bmp).ok);
    qint64 previous = 0;
    for (int quality : {0, 40, 75, 99}) {
        const QString jpg = dir.filePath(QStringLiteral("q%1.jpg").arg(quality));
        const FileResult result = convertBmpToJpeg(converterDir(), bmp, jpg, quality);
        ASSERT_TRUE(result.ok) << "quality " << quality << ": " << result.error.toStdString();
        EXPECT_EQ(decodePictureFile(jpg).image.size(), QSize(64, 48));
        EXPECT_GT(sizeOf(jpg), previous) << "quality " << quality;
        previous = sizeOf(jpg);
    }
    // Out-of-range numbers are taken as the nearest end of the scale.
    ASSERT_TRUE(convertBmpToJpeg(converterDir(), bmp, dir.filePath(QStringLiteral("low.jpg")), -7).ok);
    ASSERT_TRUE(convertBmpToJpeg(converterDir(), bmp, dir.filePath(QStringLiteral("high.jpg")), 40000).ok);
    EXPECT_EQ(sizeOf(dir.filePath(QStringLiteral("low.jpg"))), sizeOf(dir.filePath(QStringLiteral("q0.jpg"))));
    EXPECT_EQ(sizeOf(dir.filePath(QStringLiteral("high.jpg"))), sizeOf(dir.filePath(QStringLiteral("q99.jpg"))));
}

TEST(JpegConverter, WritesUnderNamesWithSpacesAndLettersBeyondAscii)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Vakantie één"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString jpg = folder + QStringLiteral("/Strand bij Zoë 日本.jpg");
    const QString temporary = folder + QStringLiteral("/tijdelijk ë.bmp");
    const FileResult result = writeJpegFile(smooth(16, 12), jpg, 75, converterDir(), temporary);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(entriesOf(folder), QStringList{QStringLiteral("Strand bij Zoë 日本.jpg")});
    EXPECT_EQ(decodePictureFile(jpg).image.size(), QSize(16, 12));
}

TEST(JpegConverter, FailsWithoutTheLibraryOrItsEntryPointAndLeavesNoFiles)
{
    QTemporaryDir dir;
    QTemporaryDir emptyLibraryDir;
    const QString jpg = dir.filePath(QStringLiteral("out.jpg"));
    const QString temporary = dir.filePath(QStringLiteral("mydummy.bmp"));

    FileResult result = writeJpegFile(smooth(8, 8), jpg, 75, emptyLibraryDir.path(), temporary);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("JPG converter not found: "))) << result.error.toStdString();
    EXPECT_TRUE(entriesOf(dir.path()).isEmpty());

    result = writeJpegFile(smooth(8, 8), jpg, 75, noEntryPointConverterDir(), temporary);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(QStringLiteral("has no entry point BmpToJpeg"))) << result.error.toStdString();
    EXPECT_TRUE(entriesOf(dir.path()).isEmpty());
}

TEST(JpegConverter, ReportsAFailedConversionAndKeepsAnOlderJpgUntouched)
{
    QTemporaryDir dir;
    const QString notABmp = dir.filePath(QStringLiteral("broken.bmp"));
    {
        QFile file(notABmp);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("BM but nothing that a decoder could read");
    }
    const QString fresh = dir.filePath(QStringLiteral("fresh.jpg"));
    FileResult result = convertBmpToJpeg(converterDir(), notABmp, fresh, 75);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, QStringLiteral("cannot write %1: the JPG converter made no file").arg(fresh));

    const QString older = dir.filePath(QStringLiteral("older.jpg"));
    ASSERT_TRUE(writeJpegFile(smooth(8, 8), older, 75, converterDir(), dir.filePath(QStringLiteral("t.bmp"))).ok);
    const QByteArray before = [&] {
        QFile f(older);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    result = convertBmpToJpeg(converterDir(), notABmp, older, 75);
    EXPECT_FALSE(result.ok) << "an untouched older file is no proof of success";
    QFile after(older);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
    EXPECT_EQ(entriesOf(dir.path()), (QStringList{QStringLiteral("broken.bmp"), QStringLiteral("older.jpg")}));
}

TEST(JpegConverter, RemovesAnEmptyFileThatAConverterLeftAndReportsIt)
{
    QTemporaryDir dir;
    const QString jpg = dir.filePath(QStringLiteral("empty.jpg"));
    const FileResult result =
        writeJpegFile(smooth(8, 8), jpg, 75, emptyOutputConverterDir(), dir.filePath(QStringLiteral("mydummy.bmp")));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, QStringLiteral("cannot write %1: the JPG converter made a broken file").arg(jpg));
    EXPECT_TRUE(entriesOf(dir.path()).isEmpty());
}

TEST(JpegConverter, RefusesTargetsItMustNotReplace)
{
    QTemporaryDir dir;
    const QString temporary = dir.filePath(QStringLiteral("mydummy.bmp"));

    // Converting onto the temporary file and then deleting it would lose the picture.
    FileResult result = writeJpegFile(smooth(8, 8), temporary, 75, converterDir(), temporary);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(entriesOf(dir.path()).isEmpty());

    const QString readOnly = dir.filePath(QStringLiteral("locked.jpg"));
    {
        QFile file(readOnly);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep");
    }
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner));
    result = writeJpegFile(smooth(8, 8), readOnly, 75, converterDir(), temporary);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(QStringLiteral("read-only"))) << result.error.toStdString();
    EXPECT_EQ(QFileInfo(readOnly).size(), 4);
    EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("locked.jpg")});

    result = writeJpegFile(Picture(0, 5, qRgb(0, 0, 0)), dir.filePath(QStringLiteral("none.jpg")), 75, converterDir(),
                           temporary);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("locked.jpg")});
}

TEST(JpegConverter, LeavesNoPartialJpgWhenTheDiskIsFull)
{
    TinyDisk disk;
    if (!disk.usable())
        GTEST_SKIP() << "no small disk to fill: " << disk.why().toStdString();
    QTemporaryDir dir;
    // Noise barely compresses: about 200 KB of JPG at this size and quality.
    const QString bmp = dir.filePath(QStringLiteral("noise.bmp"));
    ASSERT_TRUE(writeBmpFile(scrambled(321, 240), bmp).ok);
    const QString jpg = disk.path() + QStringLiteral("/big.jpg");
    const FileResult result = convertBmpToJpeg(converterDir(), bmp, jpg, 99);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(entriesOf(disk.path()).isEmpty()) << entriesOf(disk.path()).join(QLatin1Char(' ')).toStdString();
}
