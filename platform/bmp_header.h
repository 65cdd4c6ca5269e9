// The headers at the start of a BMP file, read in one place for every
// reader of them: the damage checks ahead of Qt's reader and the fast
// reader of plain BMPs. The fields are taken as they stand; judging them
// is the caller's business.
#pragma once

#include <QtGlobal>

#include <cstdint>
#include <optional>

namespace mergola {

constexpr qint64 kBmpFileHeaderBytes = 14;
// The classic info header; the older OS/2 ones are shorter, the newer ones
// (V4, V5) longer.
constexpr qint64 kBmpInfoHeaderBytes = 40;
constexpr qint64 kBmpV4HeaderBytes = 108;
constexpr qint64 kBmpV5HeaderBytes = 124;
// Both headers up to the largest info header: all that any reader looks at.
constexpr qint64 kBmpLongestHeadBytes = kBmpFileHeaderBytes + kBmpV5HeaderBytes;

// compression values
constexpr std::uint32_t kBmpRgb = 0;
constexpr std::uint32_t kBmpBitfields = 3;

// An unsigned little-endian number of 1 to 4 bytes, as BMP and GIF store them.
inline std::uint32_t littleEndian(const uchar *p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

struct BmpHeader {
    bool magic = false;          // the file starts with "BM"
    qint64 pixelOffset = 0;      // where the pixels start in the file
    qint64 infoHeaderBytes = 0;  // the info header's own size field
    // The fields of the 40-byte info header; read only when hasInfo.
    bool hasInfo = false;
    std::int32_t width = 0;
    std::int32_t height = 0; // positive: bottom row first
    qint64 planes = 0;
    qint64 bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::int32_t dotsPerMetreX = 0;
    std::int32_t dotsPerMetreY = 0;
};

// The headers of the first size bytes of a file: nullopt when they cannot
// hold the pixel offset and the info header's size; hasInfo false when
// they end within the 40-byte info header.
std::optional<BmpHeader> readBmpHeader(const uchar *data, qint64 size);

// Bytes in one row of pixels in the file: rows are padded to whole 32-bit
// words. In 64 bits: a forged header may claim any width and depth.
inline qint64 bmpRowBytes(qint64 width, qint64 bitsPerPixel)
{
    return (width * bitsPerPixel + 31) / 32 * 4;
}

} // namespace mergola
