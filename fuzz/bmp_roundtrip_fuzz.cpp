// Writing a picture as BMP and through the JPG converter, on pictures and
// qualities from the fuzzer: the BMP reads back pixel for pixel, the JPG
// has the picture's size, and a failure is reported, never a crash.
#include "fuzz_support.h"
#include "output/bmp_file.h"
#include "output/jpeg_converter.h"
#include "platform/image_file.h"

#include <algorithm>

using namespace mergola;

namespace {

// Small pictures keep each run fast; the writers' row padding and odd
// sizes are what matter, not the area.
constexpr int kMaxSide = 64;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::ensureApplication();
    if (size < 3)
        return 0;
    const int width = data[0] % (kMaxSide + 1);
    const int height = data[1] % (kMaxSide + 1);
    const int quality = data[2]; // 0..255: the converter clamps to 0..99
    data += 3;
    size -= 3;

    Picture picture(width, height, qRgb(255, 255, 255));
    picture.clear();
    for (int y = 0; y < height && size > 0; ++y) {
        QRgb *row = picture.scanLine(y);
        for (int x = 0; x < width && size >= 3; ++x, data += 3, size -= 3)
            row[x] = qRgb(data[0], data[1], data[2]);
    }

    const QString bmp = fuzz::scratch().filePath(QStringLiteral("round.bmp"));
    const FileResult written = writeBmpFile(picture, bmp);
    FUZZ_CHECK(written.ok == picture.hasPixels());
    if (!written.ok)
        return 0;
    const DecodeResult back = decodePictureFile(bmp);
    FUZZ_CHECK(back.image == picture.image());

    const QString jpg = fuzz::scratch().filePath(QStringLiteral("round.jpg"));
    const QString temporary = fuzz::scratch().filePath(QStringLiteral("mydummy.bmp"));
    const FileResult converted =
        writeJpegFile(picture, jpg, quality, QCoreApplication::applicationDirPath(), temporary);
    FUZZ_CHECK(converted.ok);
    FUZZ_CHECK(!QFile::exists(temporary));
    const DecodeResult jpeg = decodePictureFile(jpg);
    FUZZ_CHECK(jpeg.image.size() == QSize(width, height));
    QFile::remove(jpg);
    return 0;
}
