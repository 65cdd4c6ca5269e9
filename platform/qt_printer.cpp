#include "platform/qt_printer.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace mergola {

PrintOutcome QtPrinter::printPage(PageOrientation orientation, const PagePainter &paint)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return PrintOutcome::NoPrinter;

    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid())
        return PrintOutcome::NoPrinter;
    printer.setDocName(m_documentName);
    printer.setCopyCount(1);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(orientation == PageOrientation::Landscape ? QPageLayout::Landscape
                                                                         : QPageLayout::Portrait);
    // The margins stay those the printer reports for A4, so the painter's
    // origin is the top-left corner of the printable area.
    printer.setFullPage(false);

    QPainter painter;
    if (!painter.begin(&printer))
        return PrintOutcome::Failed;
    const QRectF printableArea(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    paint(painter, printableArea);
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return PrintOutcome::Failed;
    return PrintOutcome::Printed;
}

} // namespace mergola
