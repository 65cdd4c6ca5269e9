#include "output/print_layout.h"

#include "output_test_support.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <array>
#include <vector>

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
// The footer line's top and the left ends of its two texts, in twips.
constexpr int kFooterLine = 15550;
constexpr int kDateLeft = 1320;
constexpr int kAddressLeft = 7920;

const QRgb kWhite = qRgb(255, 255, 255);

double twipsToPixels(double twips) { return twips * kDpi / kTwipsPerInch; }

QImage paintPage(PrintLayout layout, const Picture &pict)
{
    const bool landscape = orientationOf(layout) == PageOrientation::Landscape;
    const int width = int(twipsToPixels(landscape ? kA4LongTwips : kA4ShortTwips));
    const int height = int(twipsToPixels(landscape ? kA4ShortTwips : kA4LongTwips));
    QImage page(width, height, QImage::Format_RGB32);
    page.setDotsPerMeterX(int(std::lround(kDpi / kMetresPerInch)));
    page.setDotsPerMeterY(int(std::lround(kDpi / kMetresPerInch)));
    page.fill(kWhite);
    QPainter painter(&page);
    paintLayout(painter, layout, pict,
                QRectF(kMarginPixels, kMarginPixels, width - 2 * kMarginPixels, height - 2 * kMarginPixels),
                QDateTime::currentDateTime());
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
            if ((c | 0xFF000000u) == kWhite || qRed(c) != qGreen(c) || qGreen(c) != qBlue(c))
                continue;
            ++ink.pixels;
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
            ink.darkest = std::min(ink.darkest, qRed(c));
        }
    return ink;
}

// The ink of the footer's text that starts at left: from a little above its
// line to well below, wide enough for a long date, time and address.
Ink footerInk(const QImage &page, int left)
{
    return greyInk(page, left, kFooterLine - 150, 4000, 600);
}

} // namespace

TEST(PrintLayout, EachLayoutStretchesThePictureIntoItsRectanglesAndOnlyPortraitOnesHaveTheFooter)
{
    const struct {
        PrintLayout layout;
        PageOrientation orientation;
        std::vector<std::array<int, 4>> rects; // left, top, width, height
        bool footer;
    } cases[] = {{PrintLayout::Landscape, PageOrientation::Landscape, {{480, 480, 15480, 10480}}, false},
                 {PrintLayout::Portrait,
                  PageOrientation::Portrait,
                  {{1320, 1200, 9000, 6750}, {1320, 8550, 9000, 6750}},
                  true},
                 {PrintLayout::Appart, PageOrientation::Portrait, {{1320, 1200, 9000, 13500}}, true}};
    for (const auto &c : cases) {
        EXPECT_EQ(orientationOf(c.layout), c.orientation);
        EXPECT_EQ(hasFooter(c.layout), c.footer);
        const QImage page = paintPage(c.layout, cells());
        const auto rects = pictureRectangles(c.layout);
        ASSERT_EQ(rects.size(), c.rects.size());
        for (std::size_t i = 0; i < rects.size(); ++i) {
            EXPECT_EQ((std::array{rects[i].left, rects[i].top, rects[i].width, rects[i].height}), c.rects[i]);
            expectPictureIn(page, rects[i], cells());
        }
        EXPECT_EQ(footerInk(page, kDateLeft).pixels > 0, c.footer);
        EXPECT_EQ(footerInk(page, kAddressLeft).pixels > 0, c.footer);
        if (!c.footer) {
            // Nothing but the picture: below it the page is blank.
            const int below = at(0, rects[0].top + rects[0].height).y() + kEdgeSlack;
            QImage blank(page.width(), page.height() - below, QImage::Format_RGB32);
            blank.fill(kWhite);
            EXPECT_EQ(page.copy(0, below, blank.width(), blank.height()), blank);
        }
    }
    // The gap between Portrait's two rectangles stays blank.
    EXPECT_EQ(colourAt(paintPage(PrintLayout::Portrait, cells()), at(1320 + 4500, 1200 + 6750 + 300)), kWhite);
}

TEST(PrintLayout, FooterIsTenPointBoldGreyWithItsTopOnTheFooterLine)
{
    const QImage page = paintPage(PrintLayout::Appart, cells());
    const Ink ink = footerInk(page, kDateLeft);
    ASSERT_GT(ink.pixels, 0);
    const int lineTop = at(0, kFooterLine).y();
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
    EXPECT_EQ(ink.darkest, 120);

    // The date and time text leaves the address alone, and vice versa.
    EXPECT_TRUE(Algemeen::FooterDateText(QDateTime::currentDateTime()).contains(QStringLiteral(" / ")));
    EXPECT_EQ(greyInk(page, kAddressLeft - 200, kFooterLine, 150, 600).pixels, 0) << "the date spilt into the address";
}

TEST(PrintLayout, AppartPrintsAStackedPairUndistortedAndASinglePictureAtTwiceItsHeight)
{
    // A 20 x 20 black square at the top-left of a white picture: on paper it
    // stays square for the 320 x 480 pair and doubles its height for 320 x 240.
    for (const int pictHeight : {480, 240}) {
        Picture pict(320, pictHeight, kWhite);
        pict.fillRect(0, 0, 19, 19, qRgb(0, 0, 0));
        const QImage page = paintPage(PrintLayout::Appart, pict);
        const QPoint corner = at(1320, 1200) + QPoint(kEdgeSlack, kEdgeSlack);
        int right = corner.x();
        while (qRed(page.pixel(right + 1, corner.y())) == 0)
            ++right;
        int bottom = corner.y();
        while (qRed(page.pixel(corner.x(), bottom + 1)) == 0)
            ++bottom;
        // The square starts kEdgeSlack pixels before the probe, give or take rounding.
        const double squareWidth = right - corner.x() + kEdgeSlack + 1;
        const double squareHeight = bottom - corner.y() + kEdgeSlack + 1;
        EXPECT_NEAR(squareHeight / squareWidth, 480.0 / pictHeight, 0.03) << "picture height " << pictHeight;
    }
}

TEST(PrintLayout, StretchesWithoutSmoothingSoPixelsStayCrisp)
{
    Picture pict(2, 1, kWhite);
    pict.setPixel(0, 0, qRgb(0, 0, 0));
    const QImage page = paintPage(PrintLayout::Portrait, pict);
    const QPoint from = at(1320, 1200 + 6750 / 2);
    const QPoint to = at(1320 + 9000, 1200 + 6750 / 2);
    int blacks = 0;
    for (int x = from.x() + kEdgeSlack; x < to.x() - kEdgeSlack; ++x) {
        const int level = qRed(page.pixel(x, from.y()));
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
    const QImage page = paintPage(PrintLayout::Portrait, Picture(0, 0, kWhite));
    EXPECT_EQ(colourAt(page, at(1320 + 4500, 1200 + 3375)), kWhite);
    EXPECT_GT(footerInk(page, kDateLeft).pixels, 0);
}
