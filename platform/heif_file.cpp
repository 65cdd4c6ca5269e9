#include "platform/heif_file.h"

#include "platform/pixel_memory.h"

#include <QFile>
#include <libheif/heif.h>

#include <memory>
#include <new>

namespace mergola {

namespace {

// The container's first box ("ftyp" and its brand) lies in these bytes.
constexpr int kFileTypeBytes = 12;

template <typename T, void (*release)(T *)>
struct Releaser {
    void operator()(T *object) const { release(object); }
};
using Context = std::unique_ptr<heif_context, Releaser<heif_context, heif_context_free>>;
using Handle = std::unique_ptr<heif_image_handle, Releaser<const heif_image_handle, heif_image_handle_release>>;
using Image = std::unique_ptr<heif_image, Releaser<const heif_image, heif_image_release>>;
using Options = std::unique_ptr<heif_decoding_options, Releaser<heif_decoding_options, heif_decoding_options_free>>;

DecodeResult failed(const QString &why)
{
    return {{}, why};
}

QString tooLarge(int width, int height)
{
    return QStringLiteral("picture is too large (%1 x %2 pixels)").arg(width).arg(height);
}

// The one line for what libheif reports. A file cut off or damaged is the
// same to the user; a missing decoder is not their file's fault.
DecodeResult refusal(const heif_error &error)
{
    switch (error.code) {
    case heif_error_Memory_allocation_error:
        return outOfMemoryFor({});
    case heif_error_Unsupported_feature:
    case heif_error_Unsupported_filetype:
        if (error.subcode == heif_suberror_Unsupported_codec)
            return failed(QStringLiteral("no decoder on this system for the encoding of this picture"));
        return failed(QStringLiteral("not a picture format this program reads (%1)")
                          .arg(QString::fromUtf8(error.message)));
    default:
        return failed(QStringLiteral("file is cut off or damaged"));
    }
}

// Lays each RGBA pixel over white, as the other formats' transparency is.
void rgbaOverWhite(const uint8_t *from, QRgb *to, int width)
{
    constexpr int kOpaque = 255;
    for (int x = 0; x < width; ++x, from += 4) {
        const int alpha = from[3];
        const auto over = [alpha](int channel) {
            return (channel * alpha + kOpaque * (kOpaque - alpha) + kOpaque / 2) / kOpaque;
        };
        to[x] = qRgb(over(from[0]), over(from[1]), over(from[2]));
    }
}

void rgbToRgb32(const uint8_t *from, QRgb *to, int width)
{
    for (int x = 0; x < width; ++x, from += 3)
        to[x] = qRgb(from[0], from[1], from[2]);
}

} // namespace

bool looksLikeHeif(const QByteArray &head)
{
    if (head.size() < kFileTypeBytes)
        return false;
    const heif_filetype_result type =
        heif_check_filetype(reinterpret_cast<const uint8_t *>(head.constData()), int(head.size()));
    return type == heif_filetype_yes_supported || type == heif_filetype_yes_unsupported;
}

namespace {

DecodeResult decodePrimaryPicture(const QString &path, QSize &claimed)
{
    Context context(heif_context_alloc());
    if (!context)
        return outOfMemoryFor({});
    if (heif_error error = heif_context_read_from_file(context.get(), QFile::encodeName(path).constData(), nullptr);
        error.code != heif_error_Ok)
        return refusal(error);
    heif_image_handle *primary = nullptr;
    if (heif_error error = heif_context_get_primary_image_handle(context.get(), &primary); error.code != heif_error_Ok)
        return refusal(error);
    const Handle handle(primary);
    // Refused before a pixel is decoded, as every format's forged size is.
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (width <= 0 || height <= 0)
        return failed(QStringLiteral("file is cut off or damaged"));
    if (qint64(width) * height > kMaxDecodedPixels)
        return failed(tooLarge(width, height));
    claimed = QSize(width, height);

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const Options options(heif_decoding_options_alloc());
    if (!options)
        return outOfMemoryFor({width, height});
    options->convert_hdr_to_8bit = 1;
    heif_image *decoded = nullptr;
    if (heif_error error = heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
                                             alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                             options.get());
        error.code != heif_error_Ok) {
        DecodeResult refused = refusal(error);
        refused.size = QSize(width, height);
        return refused;
    }
    const Image image(decoded);
    int stride = 0;
    const uint8_t *pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    // The rotation and mirroring are applied, so the size may be turned.
    const int outWidth = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int outHeight = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!pixels || outWidth <= 0 || outHeight <= 0)
        return failed(QStringLiteral("file is cut off or damaged"));
    QImage result = allocateRgb32Image(outWidth, outHeight);
    if (result.isNull())
        return outOfMemoryFor({outWidth, outHeight});
    for (int y = 0; y < outHeight; ++y) {
        auto *row = reinterpret_cast<QRgb *>(result.scanLine(y));
        const uint8_t *from = pixels + qint64(y) * stride;
        if (alpha)
            rgbaOverWhite(from, row, outWidth);
        else
            rgbToRgb32(from, row, outWidth);
    }
    return {result, {}};
}

} // namespace

DecodeResult decodeHeifFile(const QString &path)
{
    QSize claimed;
    try {
        return decodePrimaryPicture(path, claimed);
    } catch (const std::bad_alloc &) {
        // libheif's C functions let its C++ allocation failures through.
        return outOfMemoryFor(claimed);
    }
}

QStringList heifPatterns()
{
    QStringList patterns;
    if (heif_have_decoder_for_format(heif_compression_HEVC))
        patterns << QStringLiteral("*.heic") << QStringLiteral("*.heif");
    if (heif_have_decoder_for_format(heif_compression_AV1))
        patterns << QStringLiteral("*.avif");
    return patterns;
}

} // namespace mergola
