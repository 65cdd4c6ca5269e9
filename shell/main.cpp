// mergola: the window program.
#include "platform/qt_printer.h"
#include "platform/qt_services.h"
#include "shell/main_window.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mergola"));
    // One look everywhere, so the buttons show their own colours.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    mergola::QtBusyPointer pointer;
    mergola::QtEventLoopTurn eventLoop;
    mergola::QtPrinter printer(QStringLiteral("Mergola"));
    mergola::QtModalWindows modals;
    mergola::QtWebPages webPages;
    // Taken once at start-up and kept for the whole run, for the lens.
    mergola::QtScreenReader screen;
    mergola::MainServices services;
    services.pointer = &pointer;
    services.eventLoop = &eventLoop;
    services.printer = &printer;
    services.modals = &modals;
    services.webPages = &webPages;
    services.screen = &screen;
    services.programDir = QCoreApplication::applicationDirPath();

    // The dialogs need the window as their parent, and the window needs
    // them from its first moment; so they take it once it exists.
    mergola::QtFileDialogs dialogs(nullptr);
    mergola::QtMessageBox messages(nullptr);
    services.dialogs = &dialogs;
    services.messages = &messages;
    mergola::Main window(services);
    dialogs = mergola::QtFileDialogs(&window);
    messages = mergola::QtMessageBox(&window);
    window.show();
    return app.exec();
}
