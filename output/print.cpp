#include "output/print.h"

#include <QCoreApplication>
#include <QPainter>

namespace mergola {

void printResult(PrintLayout layout, const Picture &pict, Printer &printer, MessageBox &messages)
{
    const QDateTime printedAt = QDateTime::currentDateTime();
    const PrintOutcome outcome =
        printer.printPage(orientationOf(layout), [&](QPainter &painter, const QRectF &printableArea) {
            paintLayout(painter, layout, pict, printableArea, printedAt);
        });
    switch (outcome) {
    case PrintOutcome::Printed:
        return;
    case PrintOutcome::NoPrinter:
        messages.show(QCoreApplication::translate("Print", kNoPrinterMessage));
        return;
    case PrintOutcome::Failed:
        messages.show(QCoreApplication::translate("Print", kPrintFailedMessage));
        return;
    }
}

} // namespace mergola
