#include "output/print.h"

#include "output_test_support.h"

#include <QImage>
#include <gtest/gtest.h>
#include <vector>

using namespace mergola;
using namespace mergola::testing;

namespace {

// A page position, in the fake printer's dots, of a point given in twips.
QPoint dotsAt(double leftTwips, double topTwips)
{
    constexpr double kDotsPerTwip = FakePrinter::kDotsPerInch / kTwipsPerInch;
    return {int(leftTwips * kDotsPerTwip), int(topTwips * kDotsPerTwip)};
}

bool hasGreyFooter(const QImage &page)
{
    const int top = dotsAt(0, kFooterTop).y();
    for (int y = top; y < top + 10 && y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb c = page.pixel(x, y);
            if (qRed(c) < 250 && qRed(c) == qGreen(c) && qGreen(c) == qBlue(c))
                return true;
        }
    return false;
}

const QRgb kMagenta = qRgb(200, 30, 160);

} // namespace

TEST(Print, EachLayoutPrintsOnePageInItsOrientationWithoutAMessage)
{
    const Picture pict(32, 24, kMagenta);
    const struct {
        PrintLayout layout;
        PageOrientation orientation;
        bool footer;
    } cases[] = {{PrintLayout::Portrait, PageOrientation::Portrait, true},
                 {PrintLayout::Landscape, PageOrientation::Landscape, false},
                 {PrintLayout::Appart, PageOrientation::Portrait, true}};
    for (const auto &c : cases) {
        FakePrinter printer;
        FakeMessageBox messages;
        printResult(c.layout, pict, printer, messages);
        EXPECT_TRUE(messages.shown.isEmpty());
        EXPECT_EQ(printer.orientations, std::vector{c.orientation});
        ASSERT_EQ(printer.pages.size(), 1u);
        for (const TwipRect &rect : pictureRectangles(c.layout))
            EXPECT_EQ(printer.pages[0].pixel(dotsAt(rect.left + rect.width / 2, rect.top + rect.height / 2)), kMagenta);
        EXPECT_EQ(hasGreyFooter(printer.pages[0]), c.footer);
    }
}

TEST(Print, NoPrinterOrAFailedJobIsReportedInDutch)
{
    FakePrinter printer;
    FakeMessageBox messages;
    printer.answer = PrintOutcome::NoPrinter;
    printResult(PrintLayout::Portrait, Picture(32, 24, kMagenta), printer, messages);
    printer.answer = PrintOutcome::Failed;
    printResult(PrintLayout::Landscape, Picture(32, 24, kMagenta), printer, messages);
    EXPECT_EQ(messages.shown,
              (QStringList{QStringLiteral("Er is geen printer gevonden!"), QStringLiteral("Fout bij het afdrukken!")}));
}
