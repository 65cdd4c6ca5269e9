// Prints each layout through CUPS as the window does onto a PDF queue and
// looks at the PDF. Runs only when MERGOLA_CUPS_TEST=1, which the test
// command sets after `scripts/cups-pdf.sh start` made the queue the default.
#include "output/print.h"
#include "platform/qt_printer.h"

#include "output_test_support.h"

#include <QFileInfo>
#include <QImage>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTransform>
#include <algorithm>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

using namespace mergola;
using namespace mergola::testing;

namespace {

// The queue that scripts/cups-pdf.sh makes; nothing is printed elsewhere,
// so the test never spends paper on a real printer.
constexpr char kTestQueue[] = "MergolaPDF";
constexpr int kRenderDpi = 50;
// Probes keep this far (in twips) from an edge the filters may shift a little.
constexpr int kProbeInset = 300;
const QRgb kMagenta = qRgb(200, 30, 160);
const QRgb kBlack = qRgb(0, 0, 0);

// Where cups-pdf writes this user's PDFs: MERGOLA_CUPS_PDF_DIR when its
// "Out" setting was changed, else its usual places.
QStringList pdfFolders()
{
    const passwd *user = ::getpwuid(::geteuid());
    const QString home = user ? QString::fromLocal8Bit(user->pw_dir) : QDir::homePath();
    const QString name = user ? QString::fromLocal8Bit(user->pw_name) : qEnvironmentVariable("USER");
    QStringList folders{home + "/PDF", "/var/spool/cups-pdf/" + name, "/var/spool/cups-pdf/ANONYMOUS"};
    if (!qEnvironmentVariableIsEmpty("MERGOLA_CUPS_PDF_DIR"))
        folders.prepend(qEnvironmentVariable("MERGOLA_CUPS_PDF_DIR"));
    return folders;
}

// The PDF named after token once the spooler, its filters and ghostscript
// are done with it (a few seconds a page), rendered as an image; the PDF goes.
QImage printedPage(const QString &token)
{
    QImage page;
    const auto rendered = [&] {
        for (const QString &folder : pdfFolders())
            for (const QFileInfo &pdf : QDir(folder).entryInfoList({"*" + token + "*.pdf"}, QDir::Files)) {
                // cups-pdf writes the file in place; it is whole once its trailer's end is there.
                if (!contentsOf(pdf.filePath()).trimmed().endsWith("%%EOF"))
                    continue;
                QProcess pdftoppm;
                pdftoppm.start("pdftoppm", {"-r", QString::number(kRenderDpi), "-png", "-singlefile", pdf.filePath()});
                pdftoppm.waitForFinished(120'000);
                QFile::remove(pdf.filePath());
                page = QImage::fromData(pdftoppm.readAllStandardOutput()).convertToFormat(QImage::Format_RGB32);
                return true;
            }
        return false;
    };
    mergola::testing::waitUntil(rendered, 180'000, 250);
    return page;
}

} // namespace

// Where each rectangle and the footer lie exactly is the layout test's; here
// each layout reaches the sheet turned the right way with both in place.
TEST(PrintThroughCups, EachLayoutReachesThePdfPrinterWithPictureAndFooterInPlace)
{
    if (qgetenv("MERGOLA_CUPS_TEST") != "1")
        GTEST_SKIP() << "MERGOLA_CUPS_TEST is not 1: run `scripts/cups-pdf.sh start` and set it to print through CUPS";
    const bool ready = QPrinterInfo::defaultPrinter().printerName() == kTestQueue &&
                       !QStandardPaths::findExecutable("pdftoppm").isEmpty();
    if (!ready)
        GTEST_SKIP() << "the default printer is not " << kTestQueue << " or there is no pdftoppm (poppler-utils)";

    // Magenta with a black top-left quarter, so a turned or mirrored page shows.
    Picture pict(320, 240, kMagenta);
    pict.clear();
    pict.fillRect(0, 0, 159, 119, kBlack);
    for (auto [layout, name] : {std::pair{PrintLayout::Portrait, "portrait"}, {PrintLayout::Landscape, "landscape"},
                                {PrintLayout::Appart, "appart"}}) {
        SCOPED_TRACE(name);
        const QString token = QStringLiteral("mergola-e2e-%1-%2").arg(name).arg(::getpid());
        QtPrinter qtPrinter(token);
        FakeMessageBox messages;
        printResult(layout, pict, qtPrinter, messages);
        ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown.join(' ').toStdString();
        QImage page = printedPage(token);
        ASSERT_FALSE(page.isNull()) << "no PDF named after " << token.toStdString() << " was printed and rendered";

        // Paper is portrait: a landscape page arrives as its content turned a
        // quarter counter-clockwise on the sheet; turned back, it is wider than tall.
        const bool landscape = orientationOf(layout) == PageOrientation::Landscape;
        if (landscape && page.height() > page.width())
            page = page.transformed(QTransform().rotate(90));
        EXPECT_EQ(page.width() > page.height(), landscape);

        // Page positions are in twips from the printable area's corner, as the printer reports it.
        QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        const QPointF origin = printer.pageLayout().paintRect(QPageLayout::Inch).topLeft() * kRenderDpi;
        const auto at = [&](double left, double top) {
            return QPoint(int(origin.x() + left / kTwipsPerInch * kRenderDpi),
                          int(origin.y() + top / kTwipsPerInch * kRenderDpi));
        };
        // The PDF's colours pass through the print filters' colour handling.
        const auto shows = [&](QPoint p, QRgb expected) {
            const QRgb c = page.pixel(p);
            return std::max({std::abs(qRed(c) - qRed(expected)), std::abs(qGreen(c) - qGreen(expected)),
                             std::abs(qBlue(c) - qBlue(expected))}) <= 40;
        };
        for (const TwipRect &r : pictureRectangles(layout)) {
            EXPECT_TRUE(shows(at(r.left + kProbeInset, r.top + kProbeInset), kBlack));
            EXPECT_TRUE(shows(at(r.left + r.width - kProbeInset, r.top + r.height - kProbeInset), kMagenta));
            EXPECT_TRUE(shows(at(r.left - kProbeInset, r.top + r.height / 2), qRgb(255, 255, 255)));
        }
        // Grey ink on the footer's line, from the date to the end of the address, only on a page with a footer.
        int ink = 0;
        const QRect line(at(kFooterDateLeft, kFooterTop - 100), at(kFooterAddressLeft + 2500, kFooterTop + 400));
        for (int y = line.top(); y < line.bottom() && y < page.height(); ++y)
            for (int x = line.left(); x < line.right() && x < page.width(); ++x) {
                const QRgb c = page.pixel(x, y);
                ink += qRed(c) < 200 && std::abs(qRed(c) - qGreen(c)) < 16 && std::abs(qGreen(c) - qBlue(c)) < 16;
            }
        EXPECT_EQ(ink > 0, hasFooter(layout)) << ink;
    }
}
