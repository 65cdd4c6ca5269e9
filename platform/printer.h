// The printer, as the print layouts need it: one page on the system's
// default printer, in a given orientation, painted by the caller. The
// window program uses the Qt implementation (platform/qt_printer.h); tests
// substitute a fake that paints onto an image.
#pragma once

#include <functional>

class QPainter;
class QRectF;

namespace mergola {

enum class PageOrientation { Portrait, Landscape };

enum class PrintOutcome {
    Printed,   // the page went to the printer's spooler
    NoPrinter, // no default printer is set up
    Failed,    // the printer refused the job or the page could not be made
};

class Printer {
public:
    // Paints one page. printableArea is the part of the page the printer can
    // print on, in the painter's device pixels; the device's logical
    // resolution converts page measures into those pixels.
    using PagePainter = std::function<void(QPainter &painter, const QRectF &printableArea)>;

    virtual ~Printer() = default;
    // Prints one page, without a dialog, and hands it to the spooler.
    virtual PrintOutcome printPage(PageOrientation orientation, const PagePainter &paint) = 0;
};

} // namespace mergola
