#include "combine/combine.h"

#include "platform/picture.h"

#include <QRect>
#include <algorithm>
#include <cstdint>
#include <limits>

namespace mergola {

namespace {

constexpr QRgb kColourBits = 0x00FFFFFF;

using ModeFunction = bool (*)(const Picture &foto1, const Picture &foto2, Picture &pict, int width, int height);

// In "Door elkaar" slot 1 owns the result pixels where x + y is odd and
// slot 2 those where it is even, so pixel (0, 0) comes from slot 2. On row
// y a slot's first column is therefore (y + columnOffset) % 2.
constexpr int kSlot1ColumnOffset = 1;
constexpr int kSlot2ColumnOffset = 0;
constexpr int kInterleaveStep = 2;

// One slot's pass of the checkerboard, over the slot's own size (no
// scaling); slot pixels outside the result are skipped. A slot without
// pixels is a plain picture of its fill colour at the result's size.
void interleaveSlot(const Picture &slot, int columnOffset, Picture &pict)
{
    if (!pict.hasPixels())
        return;
    const bool plain = !slot.hasPixels();
    const int rows = plain ? pict.height() : std::min(slot.height(), pict.height());
    const int columns = plain ? pict.width() : std::min(slot.width(), pict.width());
    const QRgb fill = slot.fillColor();
    for (int y = 0; y < rows; ++y) {
        QRgb *to = pict.scanLine(y);
        const int first = (y + columnOffset) % kInterleaveStep;
        if (plain) {
            for (int x = first; x < columns; x += kInterleaveStep)
                to[x] = fill;
        } else {
            const auto *from = reinterpret_cast<const QRgb *>(slot.image().constScanLine(y));
            for (int x = first; x < columns; x += kInterleaveStep)
                to[x] = from[x];
        }
    }
}

// Draws the whole slot stretched into dest of pict, by copy or by
// exclusive-or. A slot without pixels stretches to a plain area of its fill
// colour.
void stretchSlot(const Picture &slot, Picture &pict, const QRect &dest, DrawOp op)
{
    if (slot.hasPixels()) {
        pict.drawStretched(slot, dest, op);
        return;
    }
    const QRect visible = dest.intersected(QRect(0, 0, pict.width(), pict.height()));
    if (visible.isEmpty())
        return;
    const QRgb fill = slot.fillColor();
    if (op == DrawOp::Copy) {
        pict.fillRect(visible.left(), visible.top(), visible.right(), visible.bottom(), fill);
        return;
    }
    const QRgb bits = fill & kColourBits;
    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        QRgb *to = pict.scanLine(y);
        for (int x = visible.left(); x <= visible.right(); ++x)
            to[x] ^= bits;
    }
}

// The result is cleared only once its new size could be had (a failed
// resize leaves a picture as it was), so that a size beyond the memory
// leaves it untouched.
bool sizeAndClear(Picture &pict, int width, int height)
{
    if (!pict.resize(width, height))
        return false;
    pict.clear();
    return true;
}

bool doorElkaar(const Picture &foto1, const Picture &foto2, Picture &pict, int width, int height)
{
    if (!sizeAndClear(pict, width, height))
        return false;
    interleaveSlot(foto1, kSlot1ColumnOffset, pict);
    interleaveSlot(foto2, kSlot2ColumnOffset, pict);
    return true;
}

bool painting(const Picture &foto1, const Picture &foto2, Picture &pict, int width, int height)
{
    // Slot 1 is drawn over the whole result, so nothing needs clearing first.
    if (!pict.resizeForOverwrite(width, height))
        return false;
    const QRect whole(0, 0, width, height);
    stretchSlot(foto1, pict, whole, DrawOp::Copy);
    stretchSlot(foto2, pict, whole, DrawOp::Xor);
    return true;
}

// Slot 2 starts one row below slot 1's last row, leaving a row of
// background between them; its own last row then falls below the result.
constexpr int kSeparatingRows = 1;

bool onderElkaar(const Picture &foto1, const Picture &foto2, Picture &pict, int width, int height)
{
    const std::int64_t resultHeight = 2 * std::int64_t(height);
    if (resultHeight > std::numeric_limits<int>::max())
        return false;
    // The two slots and the separating rows cover the whole result, so only
    // those rows get the background: two block copies and a fill.
    if (!pict.resizeForOverwrite(width, int(resultHeight)))
        return false;
    stretchSlot(foto1, pict, QRect(0, 0, width, height), DrawOp::Copy);
    pict.fillRect(0, height, width - 1, height + kSeparatingRows - 1, pict.fillColor());
    stretchSlot(foto2, pict, QRect(0, height + kSeparatingRows, width, height), DrawOp::Copy);
    return true;
}

// Indexed by the `comb` entry index; entry 0 is no mode.
constexpr std::array<ModeFunction, 4> kModeFunctions{nullptr, doorElkaar, painting, onderElkaar};

} // namespace

bool CombineResult(std::int16_t index, const Picture &foto1, const Picture &foto2, Picture &pict, int width,
                   int height)
{
    if (index < 1 || index >= std::int16_t(kModeFunctions.size())) {
        pict.clear();
        return true;
    }
    return kModeFunctions[std::size_t(index)](foto1, foto2, pict, std::max(width, 0), std::max(height, 0));
}

} // namespace mergola
