#include "output/print.h"

#include "output_test_support.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <vector>

using namespace mergola;
using namespace mergola::testing;

namespace {

// Paints each page onto an A4 image at a modest resolution, with the
// printable area starting at the image's corner, and answers as told.
struct FakePrinter final : Printer {
    static constexpr int kDpi = 72;
    PrintOutcome answer = PrintOutcome::Printed;
    std::vector<PageOrientation> orientations;
    QImage page;

    PrintOutcome printPage(PageOrientation orientation, const PagePainter &paint) override
    {
        orientations.push_back(orientation);
        if (answer == PrintOutcome::NoPrinter)
            return answer;
        const QSize a4(595, 842); // A4 in points, which are pixels at 72 dpi
        page = QImage(orientation == PageOrientation::Landscape ? a4.transposed() : a4, QImage::Format_RGB32);
        page.setDotsPerMeterX(2835);
        page.setDotsPerMeterY(2835);
        page.fill(Qt::white);
        QPainter painter(&page);
        paint(painter, QRectF(QPointF(0, 0), QSizeF(page.size())));
        return answer;
    }
};

QPoint centreOf(const TwipRect &rect)
{
    return {int((rect.left + rect.width / 2) * FakePrinter::kDpi / kTwipsPerInch),
            int((rect.top + rect.height / 2) * FakePrinter::kDpi / kTwipsPerInch)};
}

bool hasGreyFooter(const QImage &page)
{
    const int top = int(kFooterTop * FakePrinter::kDpi / kTwipsPerInch);
    for (int y = top; y < top + 15 && y < page.height(); ++y)
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
        FakeMessages messages;
        printResult(c.layout, pict, printer, messages);
        EXPECT_TRUE(messages.shown.isEmpty());
        ASSERT_EQ(printer.orientations.size(), 1u);
        EXPECT_EQ(printer.orientations[0], c.orientation);
        for (const TwipRect &rect : pictureRectangles(c.layout))
            EXPECT_EQ(printer.page.pixel(centreOf(rect)), kMagenta);
        EXPECT_EQ(hasGreyFooter(printer.page), c.footer);
    }
}

TEST(Print, NoPrinterOrAFailedJobIsReportedInDutch)
{
    const Picture pict(32, 24, kMagenta);
    FakePrinter printer;
    FakeMessages messages;
    printer.answer = PrintOutcome::NoPrinter;
    printResult(PrintLayout::Portrait, pict, printer, messages);
    printer.answer = PrintOutcome::Failed;
    printResult(PrintLayout::Landscape, pict, printer, messages);
    EXPECT_EQ(messages.shown,
              (QStringList{QStringLiteral("Er is geen printer gevonden!"), QStringLiteral("Fout bij het afdrukken!")}));
}
