// The checks on a picture file's bytes before Qt's reader decodes it. Qt's
// decoders draw what they got of a cut-off file and fill the rest with
// grey or black, and some spend seconds and gigabytes on a few bytes that
// claim a huge picture. A half picture must not replace a slot, so each
// format's own end marker, or its promise of enough data, is looked for
// first; a file that fails counts as cut off or damaged.
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace mergola {

// Whether the whole file (size bytes at data) in format (as QImageReader
// names it) holds the whole picture its header promises. claimedPixels is
// the picture's area as the reader reported it, or 0 if it did not.
// Formats whose Qt readers refuse a cut-off file themselves always pass.
bool pictureDataIsComplete(const uchar *data, qint64 size, const QByteArray &format, qint64 claimedPixels);

} // namespace mergola
