#include "platform/picture.h"

#include "platform/pixel_memory.h"

#include <QColorSpace>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <vector>

namespace mergola {

namespace {

constexpr QRgb kColourBits = 0x00FFFFFF;

QImage allocate(int width, int height)
{
    return allocateRgb32Image(width, height);
}

// The nearest-neighbour source index for each destination index.
std::vector<int> sampleMap(int destLength, int sourceLength)
{
    std::vector<int> map(static_cast<std::size_t>(destLength));
    for (int i = 0; i < destLength; ++i)
        map[static_cast<std::size_t>(i)] = nearestSample(i, destLength, sourceLength);
    return map;
}

} // namespace

Picture::Picture(int width, int height, QRgb fill)
{
    setFillColor(fill);
    resize(width, height);
}

void Picture::clear()
{
    if (m_image.isNull())
        return;
    takeFreshPixels(); // every pixel is written: no copy of shared ones
    m_image.fill(m_fill);
}

bool Picture::resize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height)
        return true;
    QImage grown = allocate(width, height);
    if ((width > 0 && height > 0) && grown.isNull())
        return false;
    if (!grown.isNull()) {
        grown.fill(m_fill);
        const int keepWidth = std::min(width, m_width);
        const int keepHeight = std::min(height, m_height);
        if (!m_image.isNull() && keepWidth > 0) {
            for (int y = 0; y < keepHeight; ++y)
                std::memcpy(grown.scanLine(y), m_image.constScanLine(y), std::size_t(keepWidth) * 4);
        }
    }
    m_image = std::move(grown);
    m_width = width;
    m_height = height;
    return true;
}

bool Picture::resizeForOverwrite(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height) {
        // Pixels shared with the undo history would otherwise be copied
        // at the first write, only to be overwritten.
        takeFreshPixels();
        return true;
    }
    QImage fresh = allocate(width, height);
    if ((width > 0 && height > 0) && fresh.isNull())
        return false;
    m_image = std::move(fresh);
    m_width = width;
    m_height = height;
    return true;
}

bool Picture::assign(const QImage &image)
{
    if (image.isNull()) {
        m_image = {};
        m_width = 0;
        m_height = 0;
        return true;
    }
    QImage converted = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    if (converted.isNull())
        return false;
    m_image = std::move(converted);
    m_width = m_image.width();
    m_height = m_image.height();
    return true;
}

QRgb Picture::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || m_image.isNull())
        return 0;
    return reinterpret_cast<const QRgb *>(m_image.constScanLine(y))[x];
}

void Picture::setPixel(int x, int y, QRgb colour)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || m_image.isNull())
        return;
    reinterpret_cast<QRgb *>(m_image.scanLine(y))[x] = colour | 0xFF000000u;
}

void Picture::drawStretched(const Picture &source, const QRect &dest, DrawOp op)
{
    drawStretched(source.image(), dest, op);
}

void Picture::drawStretched(const QImage &sourceImage, const QRect &dest, DrawOp op)
{
    if (m_image.isNull() || sourceImage.isNull() || dest.width() <= 0 || dest.height() <= 0)
        return;
    const QImage source = sourceImage.format() == QImage::Format_RGB32
                              ? sourceImage
                              : sourceImage.convertToFormat(QImage::Format_RGB32);
    if (source.isNull())
        return;
    const QRect visible = dest.intersected(QRect(0, 0, m_width, m_height));
    if (visible.isEmpty())
        return;
    const int firstColumn = visible.left() - dest.left();
    const int columnCount = visible.width();
    const std::vector<int> rows = sampleMap(dest.height(), source.height());
    // At equal widths the column map is the identity: rows copy straight.
    const bool sameWidth = dest.width() == source.width();
    const std::vector<int> columns = sameWidth ? std::vector<int>() : sampleMap(dest.width(), source.width());
    const std::size_t rowBytes = std::size_t(columnCount) * sizeof(QRgb);
    int previousSourceRow = -1;
    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        const int sourceRow = rows[static_cast<std::size_t>(y - dest.top())];
        auto *to = reinterpret_cast<QRgb *>(m_image.scanLine(y)) + visible.left();
        // Enlarging repeats source rows; a repeated row is the one just made.
        if (op == DrawOp::Copy && sourceRow == previousSourceRow) {
            std::memcpy(to, reinterpret_cast<const QRgb *>(m_image.constScanLine(y - 1)) + visible.left(), rowBytes);
            continue;
        }
        previousSourceRow = sourceRow;
        const auto *from = reinterpret_cast<const QRgb *>(source.constScanLine(sourceRow));
        if (sameWidth) {
            from += firstColumn;
            if (op == DrawOp::Copy) {
                for (int i = 0; i < columnCount; ++i)
                    to[i] = from[i] | 0xFF000000u;
            } else {
                for (int i = 0; i < columnCount; ++i)
                    to[i] ^= from[i] & kColourBits;
            }
            continue;
        }
        const int *map = columns.data() + firstColumn;
        if (op == DrawOp::Copy) {
            for (int i = 0; i < columnCount; ++i)
                to[i] = from[map[i]] | 0xFF000000u;
        } else {
            for (int i = 0; i < columnCount; ++i)
                to[i] ^= from[map[i]] & kColourBits;
        }
    }
}

void Picture::fillRect(int x1, int y1, int x2, int y2, QRgb colour)
{
    if (m_image.isNull())
        return;
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, m_width - 1);
    y2 = std::min(y2, m_height - 1);
    if (x1 > x2 || y1 > y2)
        return; // wholly outside the picture
    for (int y = y1; y <= y2; ++y) {
        auto *row = reinterpret_cast<QRgb *>(m_image.scanLine(y));
        std::fill(row + x1, row + x2 + 1, colour | 0xFF000000u);
    }
}

void Picture::drawRectOutline(int x1, int y1, int x2, int y2, QRgb colour)
{
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    fillRect(x1, y1, x2, y1, colour);
    fillRect(x1, y2, x2, y2, colour);
    fillRect(x1, y1, x1, y2, colour);
    fillRect(x2, y1, x2, y2, colour);
}

void Picture::drawText(int x, int y, const QString &text, const QFont &font, QRgb colour)
{
    if (m_image.isNull())
        return;
    QPainter painter(&m_image);
    painter.setFont(font);
    painter.setPen(QColor(colour));
    painter.drawText(QRect(x, y, m_width + 1, m_height + 1), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

void Picture::copyToBuffer(std::uint8_t *buffer) const
{
    if (m_image.isNull())
        return;
    const std::size_t rowBytes = std::size_t(m_width) * 4;
    for (int y = 0; y < m_height; ++y)
        std::memcpy(buffer + rowBytes * std::size_t(y), m_image.constScanLine(y), rowBytes);
}

bool Picture::takeFreshPixels()
{
    if (m_image.isNull() || m_image.isDetached())
        return false;
    QImage fresh = allocate(m_width, m_height);
    if (fresh.isNull())
        return false; // the ordinary copy on write then tries for itself
    fresh.setDotsPerMeterX(m_image.dotsPerMeterX());
    fresh.setDotsPerMeterY(m_image.dotsPerMeterY());
    fresh.setOffset(m_image.offset());
    fresh.setDevicePixelRatio(m_image.devicePixelRatio());
    fresh.setColorSpace(m_image.colorSpace());
    for (const QString &key : m_image.textKeys())
        fresh.setText(key, m_image.text(key));
    m_image = std::move(fresh);
    return true;
}

void Picture::copyFromBuffer(const std::uint8_t *buffer)
{
    if (m_image.isNull())
        return;
    takeFreshPixels();
    const std::size_t rowBytes = std::size_t(m_width) * 4;
    for (int y = 0; y < m_height; ++y)
        std::memcpy(m_image.scanLine(y), buffer + rowBytes * std::size_t(y), rowBytes);
}

void Picture::mirrorHorizontal()
{
    if (m_image.isNull())
        return;
    // Checked before taking a reference of our own, which would share them.
    if (!m_image.isDetached()) {
        const QImage before = m_image;
        if (takeFreshPixels()) {
            for (int y = 0; y < m_height; ++y) {
                const auto *from = reinterpret_cast<const QRgb *>(before.constScanLine(y));
                std::reverse_copy(from, from + m_width, reinterpret_cast<QRgb *>(m_image.scanLine(y)));
            }
            return;
        }
    }
    for (int y = 0; y < m_height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(m_image.scanLine(y));
        std::reverse(row, row + m_width);
    }
}

void Picture::mirrorVertical()
{
    if (m_image.isNull())
        return;
    const std::size_t rowBytes = std::size_t(m_width) * 4;
    if (!m_image.isDetached()) {
        const QImage before = m_image;
        if (takeFreshPixels()) {
            for (int y = 0; y < m_height; ++y)
                std::memcpy(m_image.scanLine(y), before.constScanLine(m_height - 1 - y), rowBytes);
            return;
        }
    }
    std::vector<std::uint8_t> spare(rowBytes);
    for (int top = 0, bottom = m_height - 1; top < bottom; ++top, --bottom) {
        std::memcpy(spare.data(), m_image.constScanLine(top), rowBytes);
        std::memcpy(m_image.scanLine(top), m_image.constScanLine(bottom), rowBytes);
        std::memcpy(m_image.scanLine(bottom), spare.data(), rowBytes);
    }
}

} // namespace mergola
