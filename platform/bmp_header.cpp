#include "platform/bmp_header.h"

#include <cstring>

namespace mergola {

namespace {

// Offsets of the fields from the start of the file.
constexpr qint64 kPixelOffsetAt = 10;
constexpr qint64 kInfoHeaderBytesAt = 14;
constexpr qint64 kWidthAt = 18;
constexpr qint64 kHeightAt = 22;
constexpr qint64 kPlanesAt = 26;
constexpr qint64 kBitsPerPixelAt = 28;
constexpr qint64 kCompressionAt = 30;
constexpr qint64 kDotsPerMetreXAt = 38;
constexpr qint64 kDotsPerMetreYAt = 42;
// Through the info header's size field: the least that says where the
// pixels start and which kind of header follows.
constexpr qint64 kThroughHeaderSize = kBmpFileHeaderBytes + 16;

std::int32_t signed32(const uchar *p)
{
    std::int32_t value = 0;
    std::memcpy(&value, p, 4);
    return value;
}

} // namespace

std::optional<BmpHeader> readBmpHeader(const uchar *data, qint64 size)
{
    if (size < kThroughHeaderSize)
        return std::nullopt;
    BmpHeader header;
    header.magic = data[0] == 'B' && data[1] == 'M';
    header.pixelOffset = littleEndian(data + kPixelOffsetAt, 4);
    header.infoHeaderBytes = littleEndian(data + kInfoHeaderBytesAt, 4);
    if (size < kBmpFileHeaderBytes + kBmpInfoHeaderBytes)
        return header;
    header.hasInfo = true;
    header.width = signed32(data + kWidthAt);
    header.height = signed32(data + kHeightAt);
    header.planes = littleEndian(data + kPlanesAt, 2);
    header.bitsPerPixel = littleEndian(data + kBitsPerPixelAt, 2);
    header.compression = littleEndian(data + kCompressionAt, 4);
    header.dotsPerMetreX = signed32(data + kDotsPerMetreXAt);
    header.dotsPerMetreY = signed32(data + kDotsPerMetreYAt);
    return header;
}

} // namespace mergola
