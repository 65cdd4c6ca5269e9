// Writing a picture as a PNG file: lossless, 8 bits a colour without an
// alpha channel, so it holds exactly the pixels a BMP of the same picture
// holds, in a fraction of the space.
//
// As with the BMP writer, the file appears at its path only when it is
// complete (a temporary file beside it is renamed over it at the end), a
// failure leaves whatever was there before, and a read-only file at the
// path is refused, not replaced.
#pragma once

#include "output/file_result.h"
#include "platform/picture.h"

namespace mergola {

// Writes the whole picture. Fails, writing nothing, for a picture without
// pixels (width or height 0).
FileResult writePngFile(const Picture &picture, const QString &path);

} // namespace mergola
