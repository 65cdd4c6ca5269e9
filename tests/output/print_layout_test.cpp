#include "output/print_layout.h"

#include "output_test_support.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace mergola;
using namespace mergola::testing;

namespace {

// A printer-like resolution, and an A4 sheet in twips.
constexpr double kDpi = 150.0;
constexpr double kMetresPerInch = 0.0254;
constexpr int kA4ShortTwips = 11906;
constexpr int kA4LongTwips = 16838;
// The printable area starts this far in from the sheet's corner, as a
// printer with quarter-inch margins reports it.
constexpr double kMarginPixels = 37.0;
// Probes stay this far from a rectangle's computed edge, where rounding to
// whole device pixels may fall either way.
constexpr int kEdgeSlack = 2;

const QRgb kWhite = qRgb(255, 255, 255);

double twipsToPixels(double twips) { return twips * kDpi / kTwipsPerInch; }

struct Page {
    QImage image;
    QRectF printableArea;
};

Page paintPage(PrintLayout layout, const Picture &pict, const QDateTime &when = QDateTime::currentDateTime())
{
    const bool landscape = orientationOf(layout) == PageOrientation::Landscape;
    const int width = int(twipsToPixels(landscape ? kA4LongTwips : kA4ShortTwips));
    const int height = int(twipsToPixels(landscape ? kA4ShortTwips : kA4LongTwips));
    Page page{QImage(width, height, QImage::Format_RGB32), {}};
    page.image.setDotsPerMeterX(int(std::lround(kDpi / kMetresPerInch)));
    page.image.setDotsPerMeterY(int(std::lround(kDpi / kMetresPerInch)));
    page.image.fill(kWhite);
    page.printableArea = QRectF(kMarginPixels, kMarginPixels, width - 2 * kMarginPixels, height - 2 * kMarginPixels);
    QPainter painter(&page.image);
    paintLayout(painter, layout, pict, page.printableArea, when);
    painter.end();
    return page;
}

// Page position of a point given in twips from the printable area's corner.
QPoint at(double leftTwips, double topTwips)
{
    return QPoint(int(std::lround(kMarginPixels + twipsToPixels(leftTwips))),
                  int(std::lround(kMarginPixels + twipsToPixels(topTwips))));
}

QRgb colourAt(const QImage &image, QPoint p) { return image.pixel(p) | 0xFF000000u; }

// A 4 x 3 picture of twelve different colours.
Picture cells()
{
    Picture picture(4, 3, kWhite);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            picture.setPixel(x, y, qRgb(40 + 50 * x, 30 + 70 * y, 200 - 15 * (x + y)));
    return picture;
}

// Every cell of the picture lands where the stretched rectangle puts it,
// and just outside the rectangle the page is blank.
void expectPictureIn(const QImage &image, const TwipRect &rect, const Picture &pict)
{
    for (int y = 0; y < pict.height(); ++y)
        for (int x = 0; x < pict.width(); ++x) {
            const QPoint centre = at(rect.left + (x + 0.5) * rect.width / pict.width(),
                                     rect.top + (y + 0.5) * rect.height / pict.height());
            EXPECT_EQ(colourAt(image, centre), pict.pixel(x, y)) << "cell " << x << "," << y;
        }
    const QPoint topLeft = at(rect.left, rect.top);
    const QPoint bottomRight = at(rect.left + rect.width, rect.top + rect.height);
    EXPECT_EQ(colourAt(image, topLeft + QPoint(kEdgeSlack, kEdgeSlack)), pict.pixel(0, 0));
    EXPECT_EQ(colourAt(image, bottomRight - QPoint(kEdgeSlack + 1, kEdgeSlack + 1)),
              pict.pixel(pict.width() - 1, pict.height() - 1));
    const int midX = (topLeft.x() + bottomRight.x()) / 2;
    const int midY = (topLeft.y() + bottomRight.y()) / 2;
    EXPECT_EQ(colourAt(image, {topLeft.x() - kEdgeSlack - 1, midY}), kWhite) << "left of the rectangle";
    EXPECT_EQ(colourAt(image, {bottomRight.x() + kEdgeSlack, midY}), kWhite) << "right of the rectangle";
    EXPECT_EQ(colourAt(image, {midX, topLeft.y() - kEdgeSlack - 1}), kWhite) << "above the rectangle";
    EXPECT_EQ(colourAt(image, {midX, bottomRight.y() + kEdgeSlack}), kWhite) << "below the rectangle";
}

struct Ink {
    int pixels = 0;
    int top = INT_MAX;
    int bottom = -1;
    int darkest = 255;
};

// Grey (equal channels, not white) pixels within a box given in twips.
Ink greyInk(const QImage &image, int leftTwips, int topTwips, int widthTwips, int heightTwips)
{
    Ink ink;
    const QPoint from = at(leftTwips, topTwips);
    const QPoint to = at(leftTwips + widthTwips, topTwips + heightTwips);
    for (int y = std::max(0, from.y()); y < std::min(image.height(), to.y()); ++y)
        for (int x = std::max(0, from.x()); x < std::min(image.width(), to.x()); ++x) {
            const QRgb c = image.pixel(x, y);
            if (c == (kWhite | 0xFF000000u) || qRed(c) != qGreen(c) || qGreen(c) != qBlue(c))
                continue;
            ++ink.pixels;
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
            ink.darkest = std::min(ink.darkest, qRed(c));
        }
    return ink;
}

// The footer's neighbourhood: from a little above its line to well below,
// wide enough for a long date, time and address.
constexpr int kFooterProbeAbove = 150;
constexpr int kFooterProbeWidth = 4000;
constexpr int kFooterProbeHeight = 600;

} // namespace

TEST(PrintLayout, LandscapeHasOneLargePictureOnALandscapePageAndNoFooter)
{
    EXPECT_EQ(orientationOf(PrintLayout::Landscape), PageOrientation::Landscape);
    const Picture pict = cells();
    const Page page = paintPage(PrintLayout::Landscape, pict);
    ASSERT_EQ(pictureRectangles(PrintLayout::Landscape).size(), 1u);
    const TwipRect rect = pictureRectangles(PrintLayout::Landscape)[0];
    EXPECT_EQ(rect.left, 480);
    EXPECT_EQ(rect.top, 480);
    EXPECT_EQ(rect.width, 15480);
    EXPECT_EQ(rect.height, 10480);
    expectPictureIn(page.image, rect, pict);

    // Nothing but the picture: below it, where a footer would go, the page is blank.
    const QPoint below = at(0, rect.top + rect.height) + QPoint(0, kEdgeSlack);
    for (int y = below.y(); y < page.image.height(); ++y)
        for (int x = 0; x < page.image.width(); ++x)
            ASSERT_EQ(colourAt(page.image, {x, y}), kWhite) << x << "," << y;
}

TEST(PrintLayout, PortraitPrintsThePictureTwiceWithAGapAndTheFooter)
{
    EXPECT_EQ(orientationOf(PrintLayout::Portrait), PageOrientation::Portrait);
    const Picture pict = cells();
    const Page page = paintPage(PrintLayout::Portrait, pict);
    const auto rects = pictureRectangles(PrintLayout::Portrait);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].top, 1200);
    EXPECT_EQ(rects[1].top, rects[0].top + rects[0].height + 600) << "600 twips below the first";
    for (const TwipRect &rect : rects) {
        EXPECT_EQ(rect.left, 1320);
        EXPECT_EQ(rect.width, 9000);
        EXPECT_EQ(rect.height, 6750);
        expectPictureIn(page.image, rect, pict);
    }
    EXPECT_EQ(colourAt(page.image, at(1320 + 4500, 1200 + 6750 + 300)), kWhite) << "the gap between the two";

    const Ink date = greyInk(page.image, kFooterDateLeft, kFooterTop - kFooterProbeAbove, kFooterProbeWidth,
                             kFooterProbeHeight);
    const Ink address = greyInk(page.image, kFooterAddressLeft, kFooterTop - kFooterProbeAbove, kFooterProbeWidth,
                                kFooterProbeHeight);
    EXPECT_GT(date.pixels, 0);
    EXPECT_GT(address.pixels, 0);
}

TEST(PrintLayout, FooterIsTenPointBoldGreyWithItsTopOnTheFooterLine)
{
    const Page page = paintPage(PrintLayout::Appart, cells());
    const Ink ink = greyInk(page.image, kFooterDateLeft, kFooterTop - kFooterProbeAbove, kFooterProbeWidth,
                            kFooterProbeHeight);
    ASSERT_GT(ink.pixels, 0);
    const int lineTop = at(0, kFooterTop).y();
    // 10 points at 150 dpi is about 21 pixels of line; letters and digits
    // stand about 15 pixels tall and begin a few pixels below the line's top.
    constexpr int kMostLeadingAboveInk = 8;
    constexpr int kSmallestInkHeight = 10;
    constexpr int kLargestInkHeight = 26;
    EXPECT_GE(ink.top, lineTop);
    EXPECT_LE(ink.top, lineTop + kMostLeadingAboveInk);
    EXPECT_GE(ink.bottom - ink.top + 1, kSmallestInkHeight);
    EXPECT_LE(ink.bottom - ink.top + 1, kLargestInkHeight);
    // Bold strokes are wider than a pixel, so some pixels are fully inked.
    EXPECT_EQ(ink.darkest, qRed(kFooterColour));

    // The date and time text leaves the address alone, and vice versa.
    EXPECT_TRUE(Algemeen::FooterDateText(QDateTime::currentDateTime()).contains(QStringLiteral(" / ")));
    const Ink gap = greyInk(page.image, kFooterAddressLeft - 200, kFooterTop, 150, kFooterProbeHeight);
    EXPECT_EQ(gap.pixels, 0) << "text from the left spilt into the address";
}

TEST(PrintLayout, AppartPrintsAStackedPairUndistortedAndASinglePictureAtTwiceItsHeight)
{
    EXPECT_EQ(orientationOf(PrintLayout::Appart), PageOrientation::Portrait);
    ASSERT_EQ(pictureRectangles(PrintLayout::Appart).size(), 1u);
    const TwipRect rect = pictureRectangles(PrintLayout::Appart)[0];
    EXPECT_EQ(rect.left, 1320);
    EXPECT_EQ(rect.top, 1200);
    EXPECT_EQ(rect.width, 9000);
    EXPECT_EQ(rect.height, 13500);
    expectPictureIn(paintPage(PrintLayout::Appart, cells()).image, rect, cells());

    // A 20 x 20 black square at the top-left of a white picture: on paper it
    // stays square for the 320 x 480 pair and doubles its height for 320 x 240.
    for (const int pictHeight : {480, 240}) {
        Picture pict(320, pictHeight, kWhite);
        pict.clear();
        pict.fillRect(0, 0, 19, 19, qRgb(0, 0, 0));
        const Page page = paintPage(PrintLayout::Appart, pict);
        const QPoint corner = at(rect.left, rect.top) + QPoint(kEdgeSlack, kEdgeSlack);
        int right = corner.x();
        while (qRed(page.image.pixel(right + 1, corner.y())) == 0)
            ++right;
        int bottom = corner.y();
        while (qRed(page.image.pixel(corner.x(), bottom + 1)) == 0)
            ++bottom;
        // The square starts kEdgeSlack pixels before the probe, give or take rounding.
        const double squareWidth = right - corner.x() + kEdgeSlack + 1;
        const double squareHeight = bottom - corner.y() + kEdgeSlack + 1;
        const double expectedRatio = 480.0 / pictHeight;
        EXPECT_NEAR(squareHeight / squareWidth, expectedRatio, 0.03) << "picture height " << pictHeight;
    }
}

TEST(PrintLayout, StretchesWithoutSmoothingSoPixelsStayCrisp)
{
    Picture pict(2, 1, kWhite);
    pict.setPixel(0, 0, qRgb(0, 0, 0));
    const Page page = paintPage(PrintLayout::Portrait, pict);
    const TwipRect rect = pictureRectangles(PrintLayout::Portrait)[0];
    const QPoint from = at(rect.left, rect.top + rect.height / 2);
    const QPoint to = at(rect.left + rect.width, rect.top + rect.height / 2);
    int blacks = 0;
    for (int x = from.x() + kEdgeSlack; x < to.x() - kEdgeSlack; ++x) {
        const int level = qRed(page.image.pixel(x, from.y()));
        ASSERT_TRUE(level == 0 || level == 255) << "blended level " << level << " at x " << x;
        blacks += level == 0;
    }
    // Half the rectangle is black; the sampler may put the boundary a pixel
    // or two off the exact middle.
    constexpr int kBoundaryTolerance = 3;
    EXPECT_NEAR(blacks, (to.x() - from.x()) / 2 - kEdgeSlack, kBoundaryTolerance);
}

TEST(PrintLayout, APictureWithoutPixelsLeavesTheRectanglesBlankButKeepsTheFooter)
{
    const Page page = paintPage(PrintLayout::Portrait, Picture(0, 0, kWhite));
    const TwipRect rect = pictureRectangles(PrintLayout::Portrait)[0];
    EXPECT_EQ(colourAt(page.image, at(rect.left + rect.width / 2, rect.top + rect.height / 2)), kWhite);
    EXPECT_GT(greyInk(page.image, kFooterDateLeft, kFooterTop - kFooterProbeAbove, kFooterProbeWidth,
                      kFooterProbeHeight)
                  .pixels,
              0);
}

TEST(PrintLayout, EverythingLiesWithinAnA4SheetWithQuarterInchMargins)
{
    constexpr int kMargin = 360; // a quarter inch on every side, a common printer minimum
    for (PrintLayout layout : {PrintLayout::Portrait, PrintLayout::Landscape, PrintLayout::Appart}) {
        const bool landscape = orientationOf(layout) == PageOrientation::Landscape;
        const int usableWidth = (landscape ? kA4LongTwips : kA4ShortTwips) - 2 * kMargin;
        const int usableHeight = (landscape ? kA4ShortTwips : kA4LongTwips) - 2 * kMargin;
        for (const TwipRect &rect : pictureRectangles(layout)) {
            EXPECT_LE(rect.left + rect.width, usableWidth);
            EXPECT_LE(rect.top + rect.height, usableHeight);
        }
        if (hasFooter(layout)) {
            const Page page = paintPage(layout, cells());
            const Ink ink = greyInk(page.image, 0, kFooterTop - kFooterProbeAbove, usableWidth + kMargin, 1000);
            EXPECT_LE(ink.bottom, at(0, usableHeight).y());
        }
    }
}
