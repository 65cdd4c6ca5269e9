// The window's print path with the real Qt printer on a machine that has no
// printer: the user is told so, nothing is printed and nothing hangs.
#include "output/print.h"
#include "platform/qt_printer.h"

#include "output_test_support.h"

#include <QPrinterInfo>
#include <gtest/gtest.h>

TEST(QtPrinterWithoutPrinters, TellsTheUserThatThereIsNoPrinter)
{
    // A scheduler that does not exist, so no real printer on this machine can be reached, let alone used.
    qputenv("CUPS_SERVER", "/nonexistent/mergola-no-cups.sock");
    ASSERT_TRUE(QPrinterInfo::defaultPrinter().isNull()) << "a printer is reachable after all; not printing on it";
    mergola::QtPrinter printer(QStringLiteral("Mergola"));
    mergola::testing::FakeMessageBox messages;
    const mergola::Picture pict(32, 24, qRgb(200, 30, 160));
    mergola::printResult(mergola::PrintLayout::Appart, pict, printer, messages);
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Er is geen printer gevonden!")});
}
