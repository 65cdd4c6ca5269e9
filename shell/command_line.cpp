#include "shell/command_line.h"

namespace mergola {

namespace {

constexpr qsizetype kSlots = 2;
const QString kEndOfOptions = QStringLiteral("--");

} // namespace

WindowCommandLine parseWindowArguments(const QStringList &arguments)
{
    WindowCommandLine line;
    const qsizetype end = arguments.indexOf(kEndOfOptions);
    const QStringList options = end < 0 ? arguments : arguments.first(end);
    if (options.contains(QStringLiteral("--help")) || options.contains(QStringLiteral("-h")))
        return {WindowCommandLine::Request::Help, {}, {}, {}};
    if (options.contains(QStringLiteral("--version")))
        return {WindowCommandLine::Request::Version, {}, {}, {}};

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (i == end)
            continue;
        const QString &argument = arguments[i];
        // A lone "-" is a file name, as everywhere else.
        const bool isOption = (end < 0 || i < end) && argument.size() > 1 && argument.startsWith(QLatin1Char('-'));
        if (isOption)
            return {WindowCommandLine::Request::UsageError, {}, {},
                    QStringLiteral("unknown option '%1' (see --help)").arg(argument)};
        (line.files.size() < kSlots ? line.files : line.ignored) << argument;
    }
    return line;
}

QString windowUsageText()
{
    return QStringLiteral("Usage: mergola [FILE [FILE2]]\n"
                          "Opens the Mergola window, which combines two pictures into a third.\n"
                          "FILE is loaded into slot 1 and FILE2 into slot 2, as if dropped there.\n"
                          "\n"
                          "  --help, -h            show this text\n"
                          "  --version             show the version\n"
                          "  --                    what follows are file names, even if they start with -\n"
                          "\n"
                          "Qt's own options (such as -platform and -style) are understood too.\n");
}

} // namespace mergola
