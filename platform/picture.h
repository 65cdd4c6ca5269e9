// A picture surface: a pixel picture that keeps what is drawn on it until it
// is cleared, with a fill colour. Pixels live in a QImage of Format_RGB32,
// whose memory is the 32-bit top-down blue, green, red, fourth-byte layout
// the filters work on, so buffer copies are plain memcpy.
//
// A picture may have a width or height of 0 (the working size allows it);
// then it holds no pixels and every drawing operation is a no-op.
// Coordinates are pixels, origin top-left, y downwards. Operations clip to
// the picture; nothing here reads or writes outside it.
#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QRgb>
#include <QString>
#include <cstdint>

namespace mergola {

enum class DrawOp { Copy, Xor };

// Nearest-neighbour sampling, as every stretch in the program samples: for
// pixel i of destLength pixels along one axis, the index of the sample of
// a source of sourceLength pixels under the pixel's centre; always below
// sourceLength. Equal lengths give the identity, so equal sizes copy
// exactly.
inline int nearestSample(std::int64_t i, std::int64_t destLength, std::int64_t sourceLength)
{
    return static_cast<int>((2 * i + 1) * sourceLength / (2 * destLength));
}

class Picture {
public:
    Picture() = default;
    Picture(int width, int height, QRgb fill);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool hasPixels() const { return m_width > 0 && m_height > 0; }

    QRgb fillColor() const { return m_fill; }
    void setFillColor(QRgb fill) { m_fill = qRgb(qRed(fill), qGreen(fill), qBlue(fill)); }

    // Fills the whole picture with the fill colour.
    void clear();

    // Gives the picture a new size, keeping the overlapping top-left pixels
    // and filling new area with the fill colour. A picture that already has
    // the size is not touched. Returns false, leaving the picture as it
    // was, when the memory for the new size cannot be had.
    bool resize(int width, int height);

    // Gives the picture a new size like resize, but leaves the pixels as
    // they happen to be, for a caller that writes every one of them next
    // (filling them first would cost a pass over the memory for nothing).
    // At the same size, pixels shared with another picture are left to it
    // and fresh ones taken.
    // Returns false, leaving the picture as it was, when the memory for the
    // new size cannot be had.
    bool resizeForOverwrite(int width, int height);

    // Replaces the content by a copy of image (converted to RGB32).
    // Returns false when the memory cannot be had.
    bool assign(const QImage &image);

    // Colour of one pixel as 0xFFRRGGBB; 0 for a position outside.
    QRgb pixel(int x, int y) const;
    // Writes one pixel; a position outside is ignored.
    void setPixel(int x, int y, QRgb colour);

    // Draws the whole of source stretched into dest (each axis by its own
    // factor, nearest-neighbour sampling). Equal sizes copy exactly. Xor
    // combines each colour channel by bitwise exclusive-or with what is
    // there. Parts of dest outside this picture are clipped.
    void drawStretched(const Picture &source, const QRect &dest, DrawOp op = DrawOp::Copy);
    void drawStretched(const QImage &source, const QRect &dest, DrawOp op = DrawOp::Copy);

    // One-pixel outline of the rectangle with corners (x1, y1) and (x2, y2),
    // both included.
    void drawRectOutline(int x1, int y1, int x2, int y2, QRgb colour);

    // Fills columns x1..x2 and rows y1..y2, both ends included.
    void fillRect(int x1, int y1, int x2, int y2, QRgb colour);

    // Text whose top-left corner lies at (x, y).
    void drawText(int x, int y, const QString &text, const QFont &font, QRgb colour);

    // The pixels as 4 * width * height bytes, rows top-down, each pixel
    // blue, green, red, fourth byte. The buffers must hold that many bytes.
    void copyToBuffer(std::uint8_t *buffer) const;
    void copyFromBuffer(const std::uint8_t *buffer);

    // Mirrors left to right / top to bottom, in place.
    void mirrorHorizontal();
    void mirrorVertical();

    // The pixels for painting or saving; null when the picture has none.
    const QImage &image() const { return m_image; }

    // Row y (0 <= y < height() of a picture that has pixels) as width()
    // pixels of 0xFFRRGGBB, for bulk work on raw rows. Written pixels must
    // keep the top byte at 0xFF.
    QRgb *scanLine(int y) { return reinterpret_cast<QRgb *>(m_image.scanLine(y)); }

private:
    // For a change that writes every pixel: while the pixels are shared
    // (with the undo history, say), the picture takes fresh memory of its
    // own instead of the copy that writing would make and then overwrite.
    // Returns whether it did; the old pixels stay with whoever shares them.
    bool takeFreshPixels();

    int m_width = 0;
    int m_height = 0;
    QRgb m_fill = qRgb(255, 255, 255);
    QImage m_image;
};

} // namespace mergola
