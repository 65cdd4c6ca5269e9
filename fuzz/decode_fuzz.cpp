// Picture decoding exactly as the program loads a file (format by content,
// completeness checks, the size limit, EXIF orientation, transparency over
// white): any bytes give a 32-bit picture within the limit or a reason.
#include "fuzz_support.h"
#include "platform/image_file.h"

using namespace mergola;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::ensureApplication();
    const DecodeResult decoded = decodePictureFile(fuzz::writeInput(data, size, QStringLiteral("picture")));
    if (decoded.image.isNull()) {
        FUZZ_CHECK(!decoded.error.isEmpty());
        return 0;
    }
    FUZZ_CHECK(decoded.image.format() == QImage::Format_RGB32);
    FUZZ_CHECK(static_cast<long long>(decoded.image.width()) * decoded.image.height() <= kMaxDecodedPixels);
    return 0;
}
