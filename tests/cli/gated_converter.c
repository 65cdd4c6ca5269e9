/* A converter that holds the JPG's writing until the test lets it go, so
   that a signal can be sent while the output is being written, whatever the
   machine's speed. Called, it makes the file "<gate>.held", waits for one
   byte through the FIFO named by MERGOLA_TEST_GATE, then hands the pixels to
   the real converter named by MERGOLA_TEST_CONVERTER. */
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

typedef int (*PixelsToJpegFunction)(const unsigned char *, int, int, int, const char *, int16_t);

static int waitAtGate(const char *gate)
{
    char held[4096];
    if (snprintf(held, sizeof held, "%s.held", gate) >= (int)sizeof held)
        return ENAMETOOLONG;
    const int marker = open(held, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (marker < 0)
        return errno;
    close(marker);
    const int fifo = open(gate, O_RDONLY);
    char byte = 0;
    const int opened = fifo >= 0;
    const int passed = opened && read(fifo, &byte, 1) == 1;
    if (opened)
        close(fifo);
    return passed ? 0 : EIO;
}

__attribute__((visibility("default"))) int PixelsToJpeg(const unsigned char *pixels, int width, int height,
                                                         int pitch, const char *jpgPath, int16_t quality)
{
    const char *gate = getenv("MERGOLA_TEST_GATE");
    const char *real = getenv("MERGOLA_TEST_CONVERTER");
    void *library = real ? dlopen(real, RTLD_NOW | RTLD_LOCAL) : NULL;
    PixelsToJpegFunction convert = library ? (PixelsToJpegFunction)dlsym(library, "PixelsToJpeg") : NULL;
    if (!gate || !convert)
        return EINVAL;
    const int error = waitAtGate(gate);
    return error ? error : convert(pixels, width, height, pitch, jpgPath, quality);
}
