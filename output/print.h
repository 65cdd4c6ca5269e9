// The entries of the window's print menu `Afdrukken`: print the result
// picture `Pict` at once, in one layout, on the default printer, without a
// dialog. When there is no printer or the printing fails, a message box
// says so instead of the page silently never appearing.
#pragma once

#include "output/print_layout.h"
#include "platform/picture.h"
#include "platform/printer.h"
#include "platform/services.h"

#include <QString>

namespace mergola {

// Translated in the context "Print".
inline constexpr char kNoPrinterMessage[] = QT_TRANSLATE_NOOP("Print", "Er is geen printer gevonden!");
inline constexpr char kPrintFailedMessage[] = QT_TRANSLATE_NOOP("Print", "Fout bij het afdrukken!");

void printResult(PrintLayout layout, const Picture &pict, Printer &printer, MessageBox &messages);

} // namespace mergola
