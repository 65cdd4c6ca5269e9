// The entries of the window's save menu `MenuSave`: save the result
// picture `Pict` as a JPG file through the converter, as a BMP file, or as
// a PNG file.
//
// Each asks for a file name with the save dialog (cancel ends it silently),
// writes the whole picture under exactly that name, and shows a message box
// when the save fails, so the user never believes a picture is safe when it
// is not. A failed save leaves no half-written file and no temporary file.
#pragma once

#include "platform/picture.h"
#include "platform/program_files.h"
#include "platform/services.h"

#include <QString>

namespace mergola {

// The save dialog's filters, in the dialog's description|pattern form.
// Translated in the context "Save", as are the messages below.
//: Translate up to the |; the pattern after it stays as it is.
inline constexpr char kBmpSaveFilter[] = QT_TRANSLATE_NOOP("Save", "Bitmap format (*.bmp)|*.bmp");
//: Translate up to the |; the pattern after it stays as it is.
inline constexpr char kJpgSaveFilter[] = QT_TRANSLATE_NOOP("Save", "Jpg format (*.jpg)|*.jpg");
//: Translate up to the |; the pattern after it stays as it is.
inline constexpr char kPngSaveFilter[] = QT_TRANSLATE_NOOP("Save", "PNG format (*.png)|*.png");

// The temporary BMP of a JPG save: in the program's folder of a portable
// copy, in a private temporary folder of an installed one.
inline const QString kTemporaryBmpName = QStringLiteral("mydummy.bmp");

inline constexpr char kBmpSaveFailed[] = QT_TRANSLATE_NOOP("Save", "Fout bij het saven naar BMP!");
inline constexpr char kJpgSaveFailed[] = QT_TRANSLATE_NOOP("Save", "Fout bij het saven naar JPG!");
inline constexpr char kPngSaveFailed[] = QT_TRANSLATE_NOOP("Save", "Fout bij het saven naar PNG!");

void saveResultAsBmp(const Picture &pict, FileDialogs &dialogs, MessageBox &messages);

// files tells where the converter library lies and where the temporary
// BMP goes.
void saveResultAsJpg(const Picture &pict, int jpgQuality, const ProgramFiles &files, FileDialogs &dialogs,
                     MessageBox &messages);

void saveResultAsPng(const Picture &pict, FileDialogs &dialogs, MessageBox &messages);

} // namespace mergola
