// mergola: the window program. `mergola [FILE [FILE2]]` loads the files
// into the slots, as the desktop's "Open with" does.
#include "platform/portal_screen_reader.h"
#include "platform/program_files.h"
#include "platform/qt_printer.h"
#include "platform/qt_services.h"
#include "shell/command_line.h"
#include "shell/language.h"
#include "shell/lens_cast.h"
#include "shell/lens_view.h"
#include "shell/main_window.h"

#include <QApplication>
#include <QStyleFactory>

#include <cstdio>
#include <memory>

namespace {

constexpr int kExitUsage = 2;

void say(const QString &line)
{
    std::fprintf(stderr, "%s: %s\n", mergola::kWindowProgramName, line.toLocal8Bit().constData());
}

QStringList argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char **argv)
{
    using mergola::WindowCommandLine;
    // Help and version are answered before Qt looks for a display, so they
    // work on a terminal without one.
    const WindowCommandLine early = mergola::parseWindowArguments(argumentsOf(argc, argv));
    if (early.request == WindowCommandLine::Request::Help) {
        std::fputs(mergola::windowUsageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (early.request == WindowCommandLine::Request::Version) {
        std::printf("%s %s\n", mergola::kWindowProgramName, MERGOLA_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mergola"));
    QApplication::setApplicationVersion(QStringLiteral(MERGOLA_VERSION));
    // Ties the window to its desktop entry and icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(mergola::kDesktopFileName));
    // One look everywhere, so the buttons show their own colours.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // Before any widget exists, so that every text is shown in the desktop's language.
    const mergola::WindowLanguage language(QLocale::system());

    // Qt has now taken out its own options; what is left are file names.
    const WindowCommandLine line = mergola::parseWindowArguments(QApplication::arguments().mid(1));
    if (line.request == WindowCommandLine::Request::UsageError) {
        say(line.error);
        return kExitUsage;
    }
    for (const QString &file : line.ignored)
        say(QStringLiteral("%1: not loaded, there are only two slots").arg(file));

    mergola::QtBusyPointer pointer;
    mergola::QtEventLoopTurn eventLoop;
    mergola::QtPrinter printer(QStringLiteral("Mergola"));
    mergola::QtModalWindows modals;
    mergola::QtWebPages webPages;
    mergola::MainServices services;
    services.files = mergola::locateProgramFiles(QCoreApplication::applicationDirPath());
    // Taken once at start-up and kept for the whole run, for the lens. A
    // Wayland desktop shows its screen only through the portal's screen
    // cast, also to a window shown through XWayland, whose own grab would
    // read black.
    std::unique_ptr<mergola::ScreenReader> screen;
    mergola::PortalScreenReader *cast = nullptr;
    if (mergola::isWaylandSession(QProcessEnvironment::systemEnvironment())) {
        auto portal = std::make_unique<mergola::PortalScreenReader>(
            services.files.screenCastToken, 1000 / mergola::LensView::kTickMs, QDBusConnection::sessionBus());
        cast = portal.get();
        screen = std::move(portal);
    } else {
        screen = std::make_unique<mergola::QtScreenReader>();
    }
    services.pointer = &pointer;
    services.eventLoop = &eventLoop;
    services.printer = &printer;
    services.modals = &modals;
    services.webPages = &webPages;
    services.screen = screen.get();

    // The dialogs need the window as their parent, and the window needs
    // them from its first moment; so they take it once it exists.
    mergola::QtFileDialogs dialogs(nullptr);
    mergola::QtMessageBox messages(nullptr);
    services.dialogs = &dialogs;
    services.messages = &messages;
    mergola::Main window(services);
    dialogs = mergola::QtFileDialogs(&window);
    messages = mergola::QtMessageBox(&window);
    if (cast)
        mergola::runCastWithLens(window, *cast);
    // The window stays quiet about a file it cannot load, as it does for a
    // dropped one; a terminal, if there is one, hears why.
    for (qsizetype i = 0; i < line.files.size(); ++i) {
        QString why;
        if (!window.Foto0_Drop(int(i) + 1, line.files[i], &why) && !why.isEmpty())
            say(QStringLiteral("%1: %2").arg(line.files[i], why));
    }
    window.show();
    return app.exec();
}
