// The two entries of the window's save menu `MenuSave`: save the result
// picture `Pict` as a BMP file, or as a JPG file through the converter.
//
// Each asks for a file name with the save dialog (cancel ends it silently),
// writes the whole picture under exactly that name, and shows a message box
// when the save fails, so the user never believes a picture is safe when it
// is not. A failed save leaves no half-written file and no temporary file.
#pragma once

#include "platform/picture.h"
#include "platform/services.h"

#include <QString>

namespace mergola {

// The save dialog's filters, in the dialog's description|pattern form.
inline const QString kBmpSaveFilter = QStringLiteral("Bitmap format (*.bmp)|*.bmp");
inline const QString kJpgSaveFilter = QStringLiteral("Jpg format (*.jpg)|*.jpg");

// The temporary BMP of a JPG save, in the program's folder.
inline const QString kTemporaryBmpName = QStringLiteral("mydummy.bmp");

inline const QString kBmpSaveFailed = QStringLiteral("Fout bij het saven naar BMP!");
inline const QString kJpgSaveFailed = QStringLiteral("Fout bij het saven naar JPG!");

void saveResultAsBmp(const Picture &pict, FileDialogs &dialogs, MessageBox &messages);

// programDir holds the converter library and receives the temporary BMP.
void saveResultAsJpg(const Picture &pict, int jpgQuality, const QString &programDir, FileDialogs &dialogs,
                     MessageBox &messages);

} // namespace mergola
