#include "tools/border.h"

#include "platform/picture.h"

#include <QRgb>

namespace mergola {

namespace {

constexpr QRgb kOuterLine = qRgb(0, 0, 0);
constexpr QRgb kInnerLine = qRgb(255, 255, 255);

// The inner ring runs one pixel inside the outer one on every side, so it
// exists only when at least one pixel lies between the outer edges.
constexpr int kSmallestSideWithInnerRing = 3;

} // namespace

void drawBorder(Picture &picture)
{
    if (!picture.hasPixels())
        return;
    const int right = picture.width() - 1;
    const int bottom = picture.height() - 1;
    picture.drawRectOutline(0, 0, right, bottom, kOuterLine);
    // Drawn blindly, the inner outline's corners would cross over on a
    // picture one or two pixels wide and paint white on the black ring.
    if (picture.width() >= kSmallestSideWithInnerRing && picture.height() >= kSmallestSideWithInnerRing)
        picture.drawRectOutline(1, 1, right - 1, bottom - 1, kInnerLine);
}

} // namespace mergola
