// Where the program's companion files live: the settings file, the help
// page, the JPG converter library and the temporary files. Nothing else in
// the program works these paths out.
//
// A portable copy (the build folder, an unpacked archive) keeps everything
// beside the program: it is one when its folder holds help.htm and this
// user may write there. A folder without help.htm counts as portable too,
// unless an installed help.htm lies in the prefix's share folder.
//
// Any other copy is installed (`cmake --install`): the help page and the
// converter come from the prefix's share and lib folders, the settings file
// from the user's configuration folder, and temporary files go into a
// fresh folder of their own that only this user may enter. A system folder
// is neither written to nor trusted with a fixed temporary name that
// another user could replace with a link.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace mergola {

inline const QString kSettingsFileName = QStringLiteral("Mergola.ini");
inline const QString kHelpFileName = QStringLiteral("help.htm");
inline const QString kScreenCastTokenFileName = QStringLiteral("Mergola-screencast.token");

struct ProgramFiles {
    bool installed = false;
    QString settingsFile;   // full path of Mergola.ini
    QString helpPage;       // full path of help.htm
    QString converterDir;   // the folder that holds the JPG converter library
    // The folder for an operation's temporary files; empty in an installed
    // copy, where each operation makes a private one (TemporaryFolder).
    QString temporaryDir;
    // The desktop portal's restore token for the lens's screen cast, in a
    // file of its own beside the settings file.
    QString screenCastToken;
};

// Everything beside programDir, as a portable copy keeps it.
ProgramFiles portableProgramFiles(const QString &programDir);

// Decides between portable and installed for the program in programDir.
ProgramFiles locateProgramFiles(const QString &programDir);

// The folder one operation writes its temporary files into: a new folder
// with an unpredictable name and owner-only permissions in the program's
// folder of a portable copy, or else under the system's temporary folder,
// removed with everything in it when this object goes.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const ProgramFiles &files);
    TemporaryFolder(); // always a private folder
    bool isValid() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

private:
    void makePrivate(const QString &parent);

    std::unique_ptr<QTemporaryDir> m_private;
    QString m_path;
    QString m_error;
};

} // namespace mergola
