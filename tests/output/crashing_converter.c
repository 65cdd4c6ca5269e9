/* A converter that crashes halfway, taking the program with it. */
#include <stdint.h>
#include <stdlib.h>

__attribute__((visibility("default"))) void BmpToJpeg(const char *bmpPath, const char *jpgPath, int16_t quality)
{
    (void)bmpPath;
    (void)jpgPath;
    (void)quality;
    abort();
}
