#include "output/print_layout.h"

#include <QFont>
#include <QLocale>
#include <QPaintDevice>
#include <QPainter>
#include <array>
#include <cmath>

namespace mergola {

namespace {

constexpr std::array<TwipRect, 1> kLandscapeRectangles{{{480, 480, 15480, 10480}}};
// The second picture starts 600 twips below the end of the first.
constexpr std::array<TwipRect, 2> kPortraitRectangles{{{1320, 1200, 9000, 6750}, {1320, 8550, 9000, 6750}}};
constexpr std::array<TwipRect, 1> kAppartRectangles{{{1320, 1200, 9000, 13500}}};

// Far more room than one line of 10-point text needs; the text is not
// clipped to it in any case.
constexpr double kFooterBoxTwips = 4 * kTwipsPerInch;

double deviceDpiX(const QPainter &painter) { return painter.device()->logicalDpiX(); }
double deviceDpiY(const QPainter &painter) { return painter.device()->logicalDpiY(); }

QPointF toDevicePoint(int leftTwips, int topTwips, const QRectF &printableArea, double dpiX, double dpiY)
{
    return {printableArea.left() + leftTwips * dpiX / kTwipsPerInch,
            printableArea.top() + topTwips * dpiY / kTwipsPerInch};
}

void drawFooterText(QPainter &painter, int leftTwips, const QString &text, const QRectF &printableArea)
{
    const double dpiX = deviceDpiX(painter);
    const double dpiY = deviceDpiY(painter);
    const QPointF topLeft = toDevicePoint(leftTwips, kFooterTop, printableArea, dpiX, dpiY);
    const QRectF box(topLeft, QSizeF(kFooterBoxTwips * dpiX / kTwipsPerInch, kFooterBoxTwips * dpiY / kTwipsPerInch));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, text);
}

} // namespace

PageOrientation orientationOf(PrintLayout layout)
{
    return layout == PrintLayout::Landscape ? PageOrientation::Landscape : PageOrientation::Portrait;
}

std::span<const TwipRect> pictureRectangles(PrintLayout layout)
{
    switch (layout) {
    case PrintLayout::Portrait:
        return kPortraitRectangles;
    case PrintLayout::Landscape:
        return kLandscapeRectangles;
    case PrintLayout::Appart:
        return kAppartRectangles;
    }
    return {};
}

bool hasFooter(PrintLayout layout)
{
    return layout != PrintLayout::Landscape;
}

QRect toDevicePixels(const TwipRect &twips, const QRectF &printableArea, double dpiX, double dpiY)
{
    // Whole device pixels on both edges, so neighbouring edges never blur.
    const QPointF topLeft = toDevicePoint(twips.left, twips.top, printableArea, dpiX, dpiY);
    const QPointF bottomRight =
        toDevicePoint(twips.left + twips.width, twips.top + twips.height, printableArea, dpiX, dpiY);
    const int left = int(std::lround(topLeft.x()));
    const int top = int(std::lround(topLeft.y()));
    return {left, top, int(std::lround(bottomRight.x())) - left, int(std::lround(bottomRight.y())) - top};
}

void paintLayout(QPainter &painter, PrintLayout layout, const Picture &pict, const QRectF &printableArea,
                 const QDateTime &printedAt)
{
    painter.save();
    // Nearest-neighbour stretching: a picture of a few hundred pixels spread
    // over a page would otherwise print as a blur.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (pict.hasPixels()) {
        const double dpiX = deviceDpiX(painter);
        const double dpiY = deviceDpiY(painter);
        for (const TwipRect &rect : pictureRectangles(layout))
            painter.drawImage(toDevicePixels(rect, printableArea, dpiX, dpiY), pict.image());
    }
    painter.restore();
    if (hasFooter(layout))
        Algemeen::PrintFooter(painter, printableArea, printedAt);
}

} // namespace mergola

namespace Algemeen {

QString FooterDateText(const QDateTime &printedAt)
{
    const QLocale locale = QLocale::system();
    return locale.toString(printedAt.date(), QLocale::ShortFormat) + QStringLiteral(" / ")
           + locale.toString(printedAt.time(), QLocale::ShortFormat);
}

void PrintFooter(QPainter &painter, const QRectF &printableArea, const QDateTime &printedAt)
{
    using namespace mergola;
    painter.save();
    QFont font(kFooterFontFamily);
    font.setPointSize(kFooterPointSize);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(kFooterColour));
    drawFooterText(painter, kFooterDateLeft, FooterDateText(printedAt), printableArea);
    drawFooterText(painter, kFooterAddressLeft, kMakerWebAddress, printableArea);
    painter.restore();
}

} // namespace Algemeen
