// The outcome of writing a file: ok, or a short plain-English reason that
// the command line prints as it is ("cannot write /x/y.bmp: Permission
// denied"). The window turns a failure into its own Dutch message.
#pragma once

#include <QString>

class QSaveFile;

namespace mergola {

struct FileResult {
    bool ok = false;
    QString error;
};

inline FileResult fileOk() { return {true, {}}; }
inline FileResult fileError(const QString &error) { return {false, error}; }

// Whether a new file may be put at path: its folder exists, and whatever is
// there now is a regular file that is not read-only. A read-only file is
// refused even where the user could force it (as root does): replacing it
// would go behind the back of whoever made it read-only.
FileResult checkWritableTarget(const QString &path);

// Writes all length bytes to file. QSaveFile passes a short write (a disk
// that fills up midway) on without an error of its own and would then
// commit the short file, so the rest is written again until the system
// says why it cannot; reason then receives that.
bool writeAllBytes(QSaveFile &file, const char *bytes, qint64 length, QString &reason);

} // namespace mergola
