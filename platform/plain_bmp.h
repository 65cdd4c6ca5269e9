// The fast reader of the plain BMPs that nearly every program writes, and
// of the program's own output: 24 or 32 bits a pixel, uncompressed, the
// classic header. They are read straight into the rows of the picture, a
// large block at a time, instead of pixel by pixel through Qt's reader;
// the pixels come out as that reader makes them (blue, green, red, a
// fourth byte of 0xFF). Every other BMP (palettes, run lengths, bit
// fields, alpha masks, odd or damaged headers) is left to Qt's reader and
// the damage checks, which then also word the refusals.
#pragma once

#include <QFile>
#include <QImage>

namespace mergola {

// The picture of a complete plain BMP in file (open for reading, at its
// start), in Format_RGB32; a null image for any other file, or when the
// memory cannot be had, so that Qt's reader has its say.
QImage readPlainBmp(QFile &file);

} // namespace mergola
