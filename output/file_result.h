// The outcome of writing a file: ok, or a short plain-English reason that
// the command line prints as it is ("cannot write /x/y.bmp: Permission
// denied"). The window turns a failure into its own Dutch message.
#pragma once

#include <QString>

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

} // namespace mergola
