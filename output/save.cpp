#include "output/save.h"

#include "output/bmp_file.h"
#include "output/jpeg_converter.h"
#include "output/png_file.h"

#include <QCoreApplication>
#include <QDir>

namespace mergola {

namespace {

QString translated(const char *text)
{
    return QCoreApplication::translate("Save", text);
}

} // namespace

void saveResultAsBmp(const Picture &pict, FileDialogs &dialogs, MessageBox &messages)
{
    const QString path = dialogs.saveFile(translated(kBmpSaveFilter));
    if (path.isEmpty())
        return;
    if (!writeBmpFile(pict, path).ok)
        messages.show(translated(kBmpSaveFailed));
}

void saveResultAsJpg(const Picture &pict, int jpgQuality, const ProgramFiles &files, FileDialogs &dialogs,
                     MessageBox &messages)
{
    const QString path = dialogs.saveFile(translated(kJpgSaveFilter));
    if (path.isEmpty())
        return;
    // A private folder goes, with anything left in it, when this returns.
    const TemporaryFolder folder(files);
    if (!folder.isValid()) {
        messages.show(translated(kJpgSaveFailed));
        return;
    }
    const QString temporary = QDir(folder.path()).filePath(kTemporaryBmpName);
    if (!writeJpegFile(pict, path, jpgQuality, files.converterDir, temporary).ok)
        messages.show(translated(kJpgSaveFailed));
}

void saveResultAsPng(const Picture &pict, FileDialogs &dialogs, MessageBox &messages)
{
    const QString path = dialogs.saveFile(translated(kPngSaveFilter));
    if (path.isEmpty())
        return;
    if (!writePngFile(pict, path).ok)
        messages.show(translated(kPngSaveFailed));
}

} // namespace mergola
