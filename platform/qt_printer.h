// The real printer: the system's default printer through QtPrintSupport,
// A4, no dialog, one copy, the margins the printer reports.
#pragma once

#include "platform/printer.h"

#include <QString>

namespace mergola {

class QtPrinter final : public Printer {
public:
    // documentName is what the print queue shows for the job.
    explicit QtPrinter(QString documentName) : m_documentName(std::move(documentName)) {}
    PrintOutcome printPage(PageOrientation orientation, const PagePainter &paint) override;

private:
    QString m_documentName;
};

} // namespace mergola
