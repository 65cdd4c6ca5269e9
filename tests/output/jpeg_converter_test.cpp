#include "output/jpeg_converter.h"

#include "output_test_support.h"
#include "platform/image_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <sys/stat.h>
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

// JPEG is lossy: at quality 89 with full-resolution colour the middle of a
// flat block comes back almost exactly.
constexpr int kFlatColourTolerance = 4;

// The sum of the three channels' differences.
int colourDistance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

} // namespace

TEST(JpegConverter, TurnsAPictureIntoAJpgCloseToItsColoursUnderAnyName)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("Vakantie één");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString temporary = folder + "/tijdelijk ë.bmp";
    const Picture picture = smooth(96, 64);
    const QString jpg = folder + "/Strand bij Zoë 日本.jpg";
    const FileResult result = writeJpegFile(picture, jpg, 89, converterDir(), temporary);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(entriesOf(folder), QStringList{"Strand bij Zoë 日本.jpg"}) << "temporary BMP deleted";

    const QImage decoded = decodePictureFile(jpg).image;
    ASSERT_EQ(decoded.size(), QSize(96, 64));
    EXPECT_LE(colourDistance(decoded.pixel(8, 6), qRgb(200, 30, 160)), kFlatColourTolerance) << "the magenta block";
    EXPECT_LE(colourDistance(decoded.pixel(88, 58), qRgb(20, 180, 40)), kFlatColourTolerance) << "the green block";
    EXPECT_LE(colourDistance(decoded.pixel(48, 32), picture.pixel(48, 32)), 3 * kFlatColourTolerance) << "the ramps";
}

TEST(JpegConverter, FailsWithAReasonAndLeavesNoFilesWhenItCannotMakeTheJpg)
{
    QTemporaryDir dir;
    QTemporaryDir emptyLibraryDir;
    QTemporaryDir lockedDir;
    const QString jpg = dir.filePath("out.jpg");
    const QString temporary = dir.filePath("mydummy.bmp");
    const QString readOnly = writeFile(lockedDir.path(), "locked.jpg", "keep");
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner));
    const struct {
        Picture picture;
        QString jpg, libraryDir, saying;
    } cases[] = {
        {smooth(8, 8), jpg, emptyLibraryDir.path(), QStringLiteral("JPG converter not found: ")},
        {smooth(8, 8), jpg, noEntryPointConverterDir(), QStringLiteral("has no entry point BmpToJpeg")},
        {smooth(8, 8), jpg, emptyOutputConverterDir(),
         QStringLiteral("cannot write %1: the JPG converter made a broken file").arg(jpg)},
        // Converting onto the temporary file and then deleting it would lose the picture.
        {smooth(8, 8), temporary, converterDir(), QStringLiteral("that is the name of the temporary file")},
        {Picture(0, 5, qRgb(0, 0, 0)), jpg, converterDir(), QStringLiteral("no pixels")},
        {Picture(65536, 1, qRgb(0, 0, 0)), jpg, converterDir(), QStringLiteral("at most 65535 pixels a side")},
        {smooth(8, 8), readOnly, converterDir(), QStringLiteral("cannot write %1: file is read-only").arg(readOnly)},
    };
    for (const auto &c : cases) {
        const FileResult result = writeJpegFile(c.picture, c.jpg, 75, c.libraryDir, temporary);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.error.contains(c.saying)) << result.error.toStdString();
        EXPECT_TRUE(entriesOf(dir.path()).isEmpty()) << c.saying.toStdString();
    }
    EXPECT_EQ(contentsOf(readOnly), QByteArray("keep"));
}

TEST(JpegConverter, ReportsAFailedConversionAndKeepsAnOlderJpgUntouched)
{
    QTemporaryDir dir;
    const QString notABmp = writeFile(dir.path(), QStringLiteral("broken.bmp"), "BM but nothing a decoder can read");
    const QString fresh = dir.filePath(QStringLiteral("fresh.jpg"));
    FileResult result = convertBmpToJpeg(converterDir(), notABmp, fresh, 75);
    EXPECT_EQ(result.error, QStringLiteral("cannot write %1: the JPG converter made no file").arg(fresh));

    const QString older = dir.filePath(QStringLiteral("older.jpg"));
    ASSERT_TRUE(writeJpegFile(smooth(8, 8), older, 75, converterDir(), dir.filePath(QStringLiteral("t.bmp"))).ok);
    const QByteArray before = contentsOf(older);
    result = convertBmpToJpeg(converterDir(), notABmp, older, 75);
    EXPECT_FALSE(result.ok) << "an untouched older file is no proof of success";
    EXPECT_EQ(contentsOf(older), before);
    EXPECT_EQ(entriesOf(dir.path()), (QStringList{QStringLiteral("broken.bmp"), QStringLiteral("older.jpg")}));
}

TEST(JpegConverter, PixelsHandedOverInMemoryGiveTheSameBytesAsTheTemporaryBmp)
{
    QTemporaryDir dir;
    const Picture picture = randomPicture(67, 41, 3);
    for (int quality : {0, 75, 99}) {
        ASSERT_TRUE(writeJpegFile(picture, dir.filePath("a.jpg"), quality, converterDir(), dir.filePath("t.bmp")).ok);
        ASSERT_TRUE(writeJpegFromPixels(picture, dir.filePath("b.jpg"), quality, converterDir()).ok);
        EXPECT_EQ(contentsOf(dir.filePath("a.jpg")), contentsOf(dir.filePath("b.jpg"))) << quality;
    }
}

TEST(JpegConverter, ASaveKeepsTheReplacedFilesPermissionsAndWritesThroughSymbolicLinks)
{
    QTemporaryDir dir;
    const auto modeOf = [](const QString &path) {
        struct stat status {};
        return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 0777 : ~0u;
    };
    const QString privateJpg = writeFile(dir.path(), "private.jpg", "older");
    ASSERT_EQ(::chmod(QFile::encodeName(privateJpg).constData(), 0600), 0);
    ASSERT_TRUE(writeJpegFromPixels(smooth(8, 8), privateJpg, 75, converterDir()).ok);
    EXPECT_EQ(modeOf(privateJpg), 0600u) << "not readable by others after the save";
    EXPECT_EQ(decodePictureFile(privateJpg).image.size(), QSize(8, 8));

    // A relative link into another folder, and a link to a name not there yet.
    ASSERT_TRUE(QDir(dir.path()).mkpath("photos"));
    const QString real = writeFile(dir.filePath("photos"), "real.jpg", "older");
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link("photos/real.jpg", dir.filePath("shown.jpg")));
    ASSERT_TRUE(QFile::link("photos/new.jpg", dir.filePath("dangling.jpg")));
    for (const char *link : {"shown.jpg", "dangling.jpg"})
        ASSERT_TRUE(writeJpegFile(smooth(8, 8), dir.filePath(link), 75, converterDir(), dir.filePath("t.bmp")).ok)
            << link;
    EXPECT_TRUE(QFileInfo(dir.filePath("shown.jpg")).isSymLink() && QFileInfo(dir.filePath("dangling.jpg")).isSymLink());
    EXPECT_EQ(decodePictureFile(real).image.size(), QSize(8, 8));
    EXPECT_EQ(modeOf(real), 0640u);
    EXPECT_EQ(decodePictureFile(dir.filePath("photos/new.jpg")).image.size(), QSize(8, 8));
    EXPECT_EQ(entriesOf(dir.filePath("photos")), (QStringList{"new.jpg", "real.jpg"})) << "no temporary file left";
}
