// Writing a picture as an uncompressed BMP file: 24 bits per pixel, rows
// bottom-up and padded to four bytes, so every 24-bit colour comes through
// unchanged and every reader (the JPG converter included) takes it.
//
// The file appears at its path only when it is complete: it is written to
// a temporary file beside it and renamed over it at the end, so a failure
// (full disk, folder not writable) leaves whatever was there before. A
// read-only file at the path is refused, not replaced.
#pragma once

#include "output/file_result.h"
#include "platform/picture.h"

namespace mergola {

// Writes the whole picture. Fails, writing nothing, for a picture without
// pixels (width or height 0) or too large for the format's 32-bit sizes.
FileResult writeBmpFile(const Picture &picture, const QString &path);

} // namespace mergola
