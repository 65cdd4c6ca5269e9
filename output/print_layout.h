// The three page layouts of the window's print menu `Afdrukken`, painted
// onto any QPainter: the printer's, or an image in tests.
//
// Page measures are in twips (1440 to the inch), counted from the top-left
// corner of the printer's printable area; the painter's device resolution
// turns them into device pixels. The result picture is stretched into each
// rectangle of its layout, each axis by its own factor, without smoothing,
// so its pixels stay crisp on paper. The portrait layouts add a footer with
// the date and time of printing and the maker's web address.
#pragma once

#include "platform/picture.h"
#include "platform/printer.h"

#include <QDateTime>
#include <QRectF>
#include <QString>
#include <span>

class QPainter;

namespace mergola {

enum class PrintLayout { Portrait, Landscape, Appart };

constexpr double kTwipsPerInch = 1440.0;

struct TwipRect {
    int left;
    int top;
    int width;
    int height;
};

// Portrait: the picture twice at 4:3, one above the other. Landscape: one
// large picture. Appart: one tall 2:3 picture, the shape of two pictures
// combined one under the other.
PageOrientation orientationOf(PrintLayout layout);
std::span<const TwipRect> pictureRectangles(PrintLayout layout);
bool hasFooter(PrintLayout layout);

// Device-pixel rectangle of a twip rectangle within printableArea, for a
// device of the given resolution in dots per inch.
QRect toDevicePixels(const TwipRect &twips, const QRectF &printableArea, double dpiX, double dpiY);

// Paints the layout: the picture into its rectangles in order (upper first),
// then the footer where the layout has one.
void paintLayout(QPainter &painter, PrintLayout layout, const Picture &pict, const QRectF &printableArea,
                 const QDateTime &printedAt);

inline const QString kMakerWebAddress = QStringLiteral("www.mergola.example");

// The footer's line: top 15550 twips, date and time at left 1320, the web
// address at left 7920; Arial 10 pt bold in mid grey, unobtrusive beside
// the picture.
constexpr int kFooterTop = 15550;
constexpr int kFooterDateLeft = 1320;
constexpr int kFooterAddressLeft = 7920;
constexpr int kFooterPointSize = 10;
constexpr QRgb kFooterColour = qRgb(120, 120, 120);
inline const QString kFooterFontFamily = QStringLiteral("Arial");

} // namespace mergola

namespace Algemeen {

// "<short date> / <short time>" in the system's regional formats.
QString FooterDateText(const QDateTime &printedAt);

// Prints the footer on the page being painted.
void PrintFooter(QPainter &painter, const QRectF &printableArea, const QDateTime &printedAt);

} // namespace Algemeen
