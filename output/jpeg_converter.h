// The boundary to the JPG converter library (output/bmp2jpeg/bmp2jpeg.h).
// The library is loaded at run time from a given folder, the program's own
// (never from the system's search path), so the program and the command
// line use exactly the converter that was built and shipped with them.
//
// The converter itself reports nothing; success is judged here by its
// effect: a new, non-empty JPG file at the target path afterwards.
#pragma once

#include "output/file_result.h"
#include "platform/picture.h"

namespace mergola {

// The library's file name inside its folder and its one entry point.
inline constexpr char kConverterLibraryFileName[] = "libbmp2jpeg.so";
inline constexpr char kConverterEntryPoint[] = "BmpToJpeg";
inline constexpr char kPixelsEntryPoint[] = "PixelsToJpeg";

// JPEG stores each side of the picture in 16 bits.
constexpr int kMaxJpegSide = 65535;

// The quality scale of the program and of the converter.
constexpr int kLowestJpgQuality = 0;
constexpr int kHighestJpgQuality = 99;

// Loads the converter from libraryDir and turns bmpPath into jpgPath at
// quality (0..99; outside values are clamped). Fails when the library or
// its entry point is missing, when jpgPath is a read-only file, or when the
// converter leaves no new, non-empty JPG at jpgPath (a broken one it did
// leave is removed).
FileResult convertBmpToJpeg(const QString &libraryDir, const QString &bmpPath, const QString &jpgPath,
                            int quality);

// Saves picture as a JPG: writes it as a BMP to temporaryBmpPath (replacing
// a file of that name), checks that the temporary file is there under
// exactly its name, converts it, and deletes the temporary file again,
// whether the conversion worked or not. The JPG may not be the temporary
// file itself.
FileResult writeJpegFile(const Picture &picture, const QString &jpgPath, int quality, const QString &libraryDir,
                         const QString &temporaryBmpPath);

// The same JPG as writeJpegFile makes, byte for byte, without the
// temporary BMP: the picture's pixels go to the converter's in-memory entry
// point. For the command line, which needs no file of the picture on the
// way; the same checks and failures as writeJpegFile, and a failed write
// names the system's reason.
FileResult writeJpegFromPixels(const Picture &picture, const QString &jpgPath, int quality, const QString &libraryDir);

} // namespace mergola
