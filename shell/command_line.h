// The window program's command line: `mergola [FILE [FILE2]]`. FILE goes
// into slot 1 and FILE2 into slot 2, as if each had been dropped there;
// the desktop's "Open with" starts the program the same way. Qt's own
// options (-platform, -style, ...) are taken out by QApplication before
// the rest reaches this parser.
#pragma once

#include <QString>
#include <QStringList>

namespace mergola {

inline constexpr char kWindowProgramName[] = "mergola";
// The name of the desktop entry, which also names the icon.
inline constexpr char kDesktopFileName[] = "example.mergola.Mergola";

struct WindowCommandLine {
    enum class Request { Run, Help, Version, UsageError } request = Request::Run;
    QStringList files;   // at most two: slot 1, slot 2
    QStringList ignored; // further files, which no slot is left for
    QString error;       // one line, for UsageError
};

// arguments: the command line without the program name. --help and
// --version win wherever they stand (before a "--"), so that they work even
// before the window system is reached; "--" ends the options.
WindowCommandLine parseWindowArguments(const QStringList &arguments);

QString windowUsageText();

} // namespace mergola
