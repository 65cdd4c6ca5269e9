// mergola-cli: the picture core without a window. Parses the command line,
// runs the work and maps the outcome onto the exit status.
#include "cli/options.h"
#include "cli/run.h"
#include "cli/stop.h"
#include "platform/program_files.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr char kProgramName[] = "mergola-cli";

// Every failure is one line, so a batch log shows one line per failed job.
void reportError(const QString &message)
{
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "%s: %s\n", kProgramName, line.toLocal8Bit().constData());
}

// Qt and its image plugins chatter through qWarning (a decoder's "corrupt
// data" notes, for one); the outcome reaches the user as the one line
// above, so only Qt's own critical and fatal messages get through.
void quietQtMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s: %s\n", kProgramName, message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char **argv)
{
    // First of all, so that a stop that comes while the program starts up
    // still ends it cleanly.
    mergola::cli::installStopHandlers();
    qInstallMessageHandler(quietQtMessages);

    // The options are read before the application object exists, so that
    // --help, --version and a usage error cost no more than loading the
    // program. Qt would decode them the same way: each in the local 8-bit
    // encoding.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    using namespace mergola::cli;
    const ParseResult parsed = parseOptions(arguments);
    switch (parsed.request) {
    case Request::Help:
        std::fputs(usageText().toLocal8Bit().constData(), stdout);
        return kExitSuccess;
    case Request::Version:
        std::printf("%s %s\n", kProgramName, MERGOLA_VERSION);
        return kExitSuccess;
    case Request::UsageError:
        reportError(parsed.error);
        return kExitUsage;
    case Request::Run:
        break;
    }

    // Pictures are decoded and drawn on QImage, which needs no display, so a
    // core application suffices and the tool runs on machines without one.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(kProgramName));
    QCoreApplication::setApplicationVersion(QStringLiteral(MERGOLA_VERSION));

    ProgressBar progress(stderr, isatty(fileno(stderr)) != 0);
    const mergola::ProgramFiles files = mergola::locateProgramFiles(QCoreApplication::applicationDirPath());
    const RunResult result = runWork(parsed.options, progress, files.converterDir);
    // A stop that came after the last step finished changes nothing.
    if (const int signal = stopSignal(); signal != 0 && !result.ok) {
        reportError(QStringLiteral("stopped"));
        return stoppedExitStatus(signal);
    }
    if (!result.ok) {
        reportError(result.error);
        return kExitWorkFailed;
    }
    return kExitSuccess;
}
