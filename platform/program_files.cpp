#include "platform/program_files.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace mergola {

namespace {

// The settings of an installed copy get a folder of their own in the
// user's configuration folder, named after the program.
const QString kConfigFolderName = QStringLiteral("Mergola");

bool writableByThisUser(const QString &folder)
{
    // access() asks the kernel, so read-only mounts and ACLs count too.
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

QString configFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir(base).filePath(kConfigFolderName);
}

} // namespace

ProgramFiles portableProgramFiles(const QString &programDir)
{
    const QDir dir(programDir);
    return {false, dir.filePath(kSettingsFileName), dir.filePath(kHelpFileName), dir.path(), dir.path(),
            dir.filePath(kScreenCastTokenFileName)};
}

ProgramFiles locateProgramFiles(const QString &programDir)
{
    // Where `cmake --install` puts the companions, relative to the installed
    // programs' folder; the build works these out from GNUInstallDirs.
    const QDir dir(programDir);
    const QString besideProgram = dir.filePath(kHelpFileName);
    const QString shareFolder = QDir::cleanPath(dir.filePath(QStringLiteral(MERGOLA_DATA_FROM_BIN)));
    const QString inShare = QDir(shareFolder).filePath(kHelpFileName);
    const bool helpBeside = QFileInfo(besideProgram).isFile();
    const bool helpInShare = QFileInfo(inShare).isFile();
    if (writableByThisUser(programDir) && (helpBeside || !helpInShare))
        return portableProgramFiles(programDir);

    ProgramFiles files;
    files.installed = true;
    files.settingsFile = QDir(configFolder()).filePath(kSettingsFileName);
    files.screenCastToken = QDir(configFolder()).filePath(kScreenCastTokenFileName);
    files.helpPage = helpInShare ? inShare : besideProgram;
    const QString libraryFolder = QDir::cleanPath(dir.filePath(QStringLiteral(MERGOLA_LIBRARY_FROM_BIN)));
    files.converterDir = QFileInfo(libraryFolder).isDir() ? libraryFolder : dir.path();
    return files;
}

TemporaryFolder::TemporaryFolder(const ProgramFiles &files)
{
    // In the program's own folder too each operation gets a folder of its
    // own, so two windows of one copy never write the same temporary file.
    makePrivate(files.temporaryDir.isEmpty() ? QDir::tempPath() : files.temporaryDir);
}

TemporaryFolder::TemporaryFolder()
{
    makePrivate(QDir::tempPath());
}

void TemporaryFolder::makePrivate(const QString &parent)
{
    // QTemporaryDir creates the folder in one step with a random name and
    // mode 0700, so nobody else can put anything into it or look inside.
    m_private = std::make_unique<QTemporaryDir>(QDir(parent).filePath(QStringLiteral("mergola-XXXXXX")));
    if (m_private->isValid()) {
        m_path = m_private->path();
    } else {
        m_error = QStringLiteral("no temporary folder in %1: %2").arg(parent, m_private->errorString());
        m_private.reset();
    }
}

} // namespace mergola
