// Prints each layout through CUPS exactly as the window does (printResult
// with the Qt printer) onto a PDF queue, turns the PDF into an image and
// checks where the picture and the footer landed.
//
// Runs only when MERGOLA_CUPS_TEST=1, which the test command sets after
// `scripts/cups-pdf.sh start` has made a cups-pdf queue the default printer.
#include "output/print.h"
#include "platform/qt_printer.h"

#include "output_test_support.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QImage>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTransform>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

using namespace mergola;
using namespace mergola::testing;

namespace {

// The queue that scripts/cups-pdf.sh makes; nothing is printed elsewhere,
// so the test never spends paper on a real printer.
constexpr char kTestQueue[] = "MergolaPDF";
// The spooler, the filters and ghostscript take a few seconds a page.
constexpr int kPdfWaitMilliseconds = 90'000;
// Enough resolution to probe a rectangle's inside and its surroundings.
constexpr int kRenderDpi = 50;
// The PDF's colours pass through the print filters' colour handling.
constexpr int kColourTolerance = 40;
// Probes keep this far (in twips) from an edge the filters may shift a little.
constexpr int kProbeInset = 300;

const QRgb kMagenta = qRgb(200, 30, 160);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

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

QString waitForPdf(const QString &token)
{
    QDeadlineTimer deadline(kPdfWaitMilliseconds);
    while (!deadline.hasExpired()) {
        for (const QString &folder : pdfFolders())
            for (const QFileInfo &pdf : QDir(folder).entryInfoList({"*" + token + "*.pdf"}, QDir::Files)) {
                // cups-pdf writes the file in place; wait until its size settles.
                QThread::msleep(500);
                if (pdf.size() > 0 && QFileInfo(pdf.filePath()).size() == pdf.size())
                    return pdf.filePath();
            }
        QThread::msleep(250);
    }
    return {};
}

QImage renderPdf(const QString &pdf, const QString &workDir)
{
    const QString prefix = QDir(workDir).filePath("page");
    QProcess pdftoppm;
    pdftoppm.start("pdftoppm", {"-r", QString::number(kRenderDpi), "-png", "-singlefile", pdf, prefix});
    if (!pdftoppm.waitForFinished(60'000) || pdftoppm.exitCode() != 0)
        return {};
    return QImage(prefix + ".png").convertToFormat(QImage::Format_RGB32);
}

// The printable area's top-left corner on the sheet, in inches, as the
// printer reports it for A4 in this orientation.
QPointF printableOrigin(PageOrientation orientation)
{
    QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(orientation == PageOrientation::Landscape ? QPageLayout::Landscape
                                                                         : QPageLayout::Portrait);
    return printer.pageLayout().paintRect(QPageLayout::Inch).topLeft();
}

struct RenderedPage {
    QImage image;
    QPointF origin; // printable area's corner, inches

    QPoint at(double leftTwips, double topTwips) const
    {
        return {int((origin.x() + leftTwips / kTwipsPerInch) * kRenderDpi),
                int((origin.y() + topTwips / kTwipsPerInch) * kRenderDpi)};
    }
    // Whether the colour there is within the print filters' colour handling of expected.
    bool shows(double leftTwips, double topTwips, QRgb expected) const
    {
        const QRgb c = image.pixel(at(leftTwips, topTwips));
        return std::abs(qRed(c) - qRed(expected)) <= kColourTolerance &&
               std::abs(qGreen(c) - qGreen(expected)) <= kColourTolerance &&
               std::abs(qBlue(c) - qBlue(expected)) <= kColourTolerance;
    }
};

bool hasGreyInk(const RenderedPage &page, int leftTwips)
{
    const QPoint from = page.at(leftTwips, kFooterTop - 100);
    const QPoint to = page.at(leftTwips + 2500, kFooterTop + 400);
    for (int y = from.y(); y < to.y() && y < page.image.height(); ++y)
        for (int x = from.x(); x < to.x() && x < page.image.width(); ++x) {
            const QRgb c = page.image.pixel(x, y);
            if (qRed(c) < 200 && std::abs(qRed(c) - qGreen(c)) < 16 && std::abs(qGreen(c) - qBlue(c)) < 16)
                return true;
        }
    return false;
}

} // namespace

TEST(PrintThroughCups, EachLayoutReachesThePdfPrinterWithPictureAndFooterInPlace)
{
    if (qgetenv("MERGOLA_CUPS_TEST") != "1")
        GTEST_SKIP() << "MERGOLA_CUPS_TEST is not 1: run `scripts/cups-pdf.sh start` and set it to print through CUPS";
    if (const QString printer = QPrinterInfo::defaultPrinter().printerName(); printer != kTestQueue)
        GTEST_SKIP() << "the default printer is '" << printer.toStdString() << "', not the PDF queue " << kTestQueue
                     << " (is cupsd running? did `scripts/cups-pdf.sh start` succeed?): not printing on it";
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
        GTEST_SKIP() << "pdftoppm is not installed (poppler-utils)";

    QTemporaryDir work;
    // Magenta with a black top-left quarter, so a turned or mirrored page shows.
    Picture pict(320, 240, kMagenta);
    pict.clear();
    pict.fillRect(0, 0, 159, 119, kBlack);
    for (auto [layout, name] : {std::pair{PrintLayout::Portrait, "portrait"}, {PrintLayout::Landscape, "landscape"},
                                {PrintLayout::Appart, "appart"}}) {
        SCOPED_TRACE(name);
        const QString token = QStringLiteral("mergola-e2e-%1-%2").arg(name).arg(::getpid());
        QtPrinter printer(token);
        FakeMessageBox messages;
        printResult(layout, pict, printer, messages);
        ASSERT_TRUE(messages.shown.isEmpty()) << messages.shown.join(' ').toStdString();

        const QString pdf = waitForPdf(token);
        ASSERT_FALSE(pdf.isEmpty()) << "no PDF named after " << token.toStdString() << " appeared in "
                                    << pdfFolders().join(", ").toStdString();
        RenderedPage page{renderPdf(pdf, work.path()), printableOrigin(orientationOf(layout))};
        ASSERT_FALSE(page.image.isNull()) << "pdftoppm could not render " << pdf.toStdString();

        // Paper is portrait: a landscape page arrives as its content turned a
        // quarter counter-clockwise on the sheet. Turned back upright, it
        // must be wider than tall.
        const bool landscape = orientationOf(layout) == PageOrientation::Landscape;
        if (landscape && page.image.height() > page.image.width())
            page.image = page.image.transformed(QTransform().rotate(90));
        EXPECT_EQ(page.image.width() > page.image.height(), landscape)
            << page.image.width() << " x " << page.image.height();

        for (const TwipRect &rect : pictureRectangles(layout)) {
            const int right = rect.left + rect.width;
            const int bottom = rect.top + rect.height;
            EXPECT_TRUE(page.shows(rect.left + kProbeInset, rect.top + kProbeInset, kBlack));
            EXPECT_TRUE(page.shows(right - kProbeInset, rect.top + kProbeInset, kMagenta));
            EXPECT_TRUE(page.shows(rect.left + kProbeInset, bottom - kProbeInset, kMagenta));
            EXPECT_TRUE(page.shows(right - kProbeInset, bottom - kProbeInset, kMagenta));
            EXPECT_TRUE(page.shows(rect.left - kProbeInset, rect.top + rect.height / 2, kWhite));
            EXPECT_TRUE(page.shows(right + kProbeInset, rect.top + rect.height / 2, kWhite));
            EXPECT_TRUE(page.shows(rect.left + rect.width / 2, bottom + kProbeInset, kWhite));
        }
        EXPECT_EQ(hasGreyInk(page, kFooterDateLeft), hasFooter(layout));
        EXPECT_EQ(hasGreyInk(page, kFooterAddressLeft), hasFooter(layout));
        QFile::remove(pdf);
    }
}
