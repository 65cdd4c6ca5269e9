/* bmp2jpeg -- turns a BMP file into a JPG file. Plain C.

   void BmpToJpeg(const char *bmpPath, const char *jpgPath, int16_t quality);

   bmpPath  Zero-terminated path of the BMP file to read, in the local 8-bit
            file-name encoding (what QFile::encodeName gives). Uncompressed
            BMP files of 8, 24 or 32 bits per pixel are understood; the file
            is recognised by its content, not by its name.
   jpgPath  Zero-terminated path of the JPG file to write, same encoding. An
            existing file there is replaced, but only once the new JPG has
            been written completely: the JPG is first written to a temporary
            file in the same folder ("<jpgPath>.<pid>-<n>.part") and then
            renamed over jpgPath, so readers never see a half-written JPG.
   quality  0 (smallest file) to 99 (best picture). It is mapped onto the
            encoder's 1..100 scale as quality + 1, so 0 becomes 1, 75 becomes
            76 and 99 becomes 100; values below 0 count as 0, above 99 as 99.
            Colour is always kept at full resolution (4:4:4 chroma): pictures
            made by interleaving two photos pixel by pixel have colour detail
            at the pixel scale that chroma subsampling would smear.

   Nothing is returned. On any failure (a null path, a BMP that cannot be
   read or decoded, an encoder error, a folder that cannot be written, a full
   disk) no file is left at jpgPath that was not there before: an existing
   file at jpgPath is left untouched and the temporary file is removed. The
   caller tells success by finding a new, non-empty JPG at jpgPath.

   The BMP file is only read, never changed or removed. The function keeps
   no state between calls and may be called from any thread.

   int PixelsToJpeg(const unsigned char *pixels, int width, int height,
                    int pitch, const char *jpgPath, int16_t quality);

   The same JPG from pixels already in memory, for callers that hold the
   picture (the command line) and need no temporary BMP: the bytes written
   are exactly those BmpToJpeg writes for a BMP of the same pixels.
   pixels   height rows, top row first, each width pixels of four bytes:
            blue, green, red and one byte that is ignored (the layout of
            Qt's RGB32 pictures on little-endian machines).
   pitch    bytes from the start of one row to the start of the next.
   jpgPath, quality  as for BmpToJpeg, and written the same way.
   Returns 0 when the JPG is in place; otherwise the system's error number
   of the failed step (or EINVAL for bad arguments or an encoder error),
   with no file left at jpgPath that was not there before.

   Only these two symbols are exported from the library. */
#ifndef BMP2JPEG_H
#define BMP2JPEG_H

#include <stdint.h>

#if defined(BMP2JPEG_BUILD)
#define BMP2JPEG_EXPORT __attribute__((visibility("default")))
#else
#define BMP2JPEG_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

BMP2JPEG_EXPORT void BmpToJpeg(const char *bmpPath, const char *jpgPath, int16_t quality);
BMP2JPEG_EXPORT int PixelsToJpeg(const unsigned char *pixels, int width, int height, int pitch,
                                 const char *jpgPath, int16_t quality);

#ifdef __cplusplus
}
#endif

#endif
