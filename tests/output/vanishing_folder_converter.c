/* A converter during whose run the JPG's folder is removed (by another
   program, as far as Mergola can tell), so its output has nowhere to go. */
#include <libgen.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

__attribute__((visibility("default"))) void BmpToJpeg(const char *bmpPath, const char *jpgPath, int16_t quality)
{
    (void)bmpPath;
    (void)quality;
    char *folder = strdup(jpgPath);
    if (!folder)
        return;
    rmdir(dirname(folder));
    free(folder);
    FILE *file = fopen(jpgPath, "wb");
    if (file)
        fclose(file);
}
