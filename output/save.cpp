#include "output/save.h"

#include "output/bmp_file.h"
#include "output/jpeg_converter.h"

#include <QDir>

namespace mergola {

void saveResultAsBmp(const Picture &pict, FileDialogs &dialogs, MessageBox &messages)
{
    const QString path = dialogs.saveFile(kBmpSaveFilter);
    if (path.isEmpty())
        return;
    if (!writeBmpFile(pict, path).ok)
        messages.show(kBmpSaveFailed);
}

void saveResultAsJpg(const Picture &pict, int jpgQuality, const QString &programDir, FileDialogs &dialogs,
                     MessageBox &messages)
{
    const QString path = dialogs.saveFile(kJpgSaveFilter);
    if (path.isEmpty())
        return;
    const QString temporary = QDir(programDir).filePath(kTemporaryBmpName);
    if (!writeJpegFile(pict, path, jpgQuality, programDir, temporary).ok)
        messages.show(kJpgSaveFailed);
}

} // namespace mergola
