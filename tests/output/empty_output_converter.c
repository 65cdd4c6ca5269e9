/* A converter that "succeeds" by leaving an empty file at the JPG path, for
   the tests of what the program does when a converter misbehaves. */
#include <stdint.h>
#include <stdio.h>

__attribute__((visibility("default"))) void BmpToJpeg(const char *bmpPath, const char *jpgPath, int16_t quality)
{
    (void)bmpPath;
    (void)quality;
    FILE *file = fopen(jpgPath, "wb");
    if (file)
        fclose(file);
}
