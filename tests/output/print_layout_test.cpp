#include "output/print_layout.h"

#include "support/test_files.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <vector>

using namespace mergola;

namespace {

// A printer-like resolution, an A4 sheet in twips (1440 to the inch), and a
// printable area a quarter inch in from the sheet's corner.
constexpr double kDpi = 150.0;
constexpr int kA4ShortTwips = 11906;
constexpr int kA4LongTwips = 16838;
constexpr double kMarginPixels = 37.0;
// Probes stay this far from a rectangle's edges, where rounding to whole
// device pixels may fall either way.
constexpr int kEdgeSlack = 2;
constexpr int kFooterLine = 15550;
const QRgb kWhite = qRgb(255, 255, 255);

double pixels(double twips)
{
    return twips * kDpi / 1440.0;
}

// Page position of a point given in twips from the printable area's corner.
QPoint at(double leftTwips, double topTwips)
{
    return {int(std::lround(kMarginPixels + pixels(leftTwips))), int(std::lround(kMarginPixels + pixels(topTwips)))};
}

QImage paintPage(PrintLayout layout, const Picture &pict)
{
    const bool landscape = layout == PrintLayout::Landscape;
    QImage page(int(pixels(landscape ? kA4LongTwips : kA4ShortTwips)),
                int(pixels(landscape ? kA4ShortTwips : kA4LongTwips)), QImage::Format_RGB32);
    page.setDotsPerMeterX(int(std::lround(kDpi / 0.0254)));
    page.setDotsPerMeterY(int(std::lround(kDpi / 0.0254)));
    page.fill(kWhite);
    QPainter painter(&page);
    const QRectF printable(kMarginPixels, kMarginPixels, page.width() - 2 * kMarginPixels,
                           page.height() - 2 * kMarginPixels);
    paintLayout(painter, layout, pict, printable, QDateTime::currentDateTime());
    return page;
}

// Each picture pixel's cell, and the corners just inside the rectangle,
// hold that picture pixel's colour; just outside the rectangle the page is blank.
void expectPictureIn(const QImage &page, const std::array<int, 4> &rect, const Picture &pict)
{
    const QPoint from = at(rect[0], rect[1]);
    const QPoint to = at(rect[0] + rect[2], rect[1] + rect[3]);
    const QPoint inside(kEdgeSlack, kEdgeSlack);
    EXPECT_EQ(page.pixel(from + inside), pict.pixel(0, 0));
    EXPECT_EQ(page.pixel(to - inside), pict.pixel(pict.width() - 1, pict.height() - 1));
    for (int y = 0; y < pict.height(); ++y)
        for (int x = 0; x < pict.width(); ++x)
            EXPECT_EQ(page.pixel(at(rect[0] + (x + 0.5) * rect[2] / pict.width(),
                                    rect[1] + (y + 0.5) * rect[3] / pict.height())),
                      pict.pixel(x, y));
    const int midX = (from.x() + to.x()) / 2;
    const int midY = (from.y() + to.y()) / 2;
    for (QPoint outside : {QPoint(from.x() - kEdgeSlack - 1, midY), QPoint(to.x() + kEdgeSlack, midY),
                           QPoint(midX, from.y() - kEdgeSlack - 1), QPoint(midX, to.y() + kEdgeSlack)})
        EXPECT_EQ(page.pixel(outside), kWhite) << outside.x() << "," << outside.y();
}

// Grey ink (equal channels, not white) of the footer text that starts at
// left: from a little above its line to well below, wide enough for a long
// date and time or the address. Gives its top and bottom row and darkest level.
std::array<int, 3> footerInk(const QImage &page, int left, int width = 4000)
{
    std::array<int, 3> ink{INT_MAX, -1, 255};
    const QPoint from = at(left, kFooterLine - 150);
    const QPoint to = at(left + width, kFooterLine + 450);
    for (int y = from.y(); y < std::min(page.height(), to.y()); ++y)
        for (int x = from.x(); x < std::min(page.width(), to.x()); ++x) {
            const QRgb c = page.pixel(x, y);
            if (c != kWhite && qRed(c) == qGreen(c) && qGreen(c) == qBlue(c))
                ink = {std::min(ink[0], y), std::max(ink[1], y), std::min(ink[2], qRed(c))};
        }
    return ink;
}

} // namespace

TEST(PrintLayout, StretchesThePictureIntoEachRectangleAndPortraitLayoutsAddTheGreyBoldFooter)
{
    const Picture cells = mergola::testing::randomPicture(4, 3, 5); // twelve different colours
    const struct {
        PrintLayout layout;
        PageOrientation orientation;
        std::vector<std::array<int, 4>> rects; // left, top, width, height
    } cases[] = {
        {PrintLayout::Landscape, PageOrientation::Landscape, {{480, 480, 15480, 10480}}},
        {PrintLayout::Portrait, PageOrientation::Portrait, {{1320, 1200, 9000, 6750}, {1320, 8550, 9000, 6750}}},
        {PrintLayout::Appart, PageOrientation::Portrait, {{1320, 1200, 9000, 13500}}}};
    for (const auto &c : cases) {
        EXPECT_EQ(orientationOf(c.layout), c.orientation);
        const QImage page = paintPage(c.layout, cells);
        for (const auto &rect : c.rects)
            expectPictureIn(page, rect, cells);
        if (c.orientation == PageOrientation::Landscape)
            continue; // the footer's line lies below a landscape sheet
        // 10 points at 150 dpi is about 21 pixels of line; letters and
        // digits stand about 15 pixels tall a few pixels below its top. Bold
        // strokes are wider than a pixel, so some pixels take the full grey.
        for (int left : {1320, 7920}) {
            const auto [top, bottom, darkest] = footerInk(page, left);
            EXPECT_TRUE(top >= at(0, kFooterLine).y() && top <= at(0, kFooterLine).y() + 8) << left << ": " << top;
            EXPECT_TRUE(bottom - top >= 9 && bottom - top <= 25) << left << ": " << top << " to " << bottom;
            EXPECT_EQ(darkest, 120) << left;
        }
        EXPECT_EQ(footerInk(page, 7920 - 200, 150)[1], -1) << "the date spilt into the address";
    }
    EXPECT_TRUE(Algemeen::FooterDateText(QDateTime::currentDateTime()).contains(QStringLiteral(" / ")));

    // A picture without pixels leaves the rectangles blank but keeps the footer.
    const QImage empty = paintPage(PrintLayout::Portrait, Picture(0, 0, kWhite));
    EXPECT_EQ(empty.pixel(at(1320 + 4500, 1200 + 3375)), kWhite);
    EXPECT_EQ(footerInk(empty, 1320)[2], 120);
}
