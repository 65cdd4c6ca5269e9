/* The converter behind bmp2jpeg.h: TurboJPEG reads the BMP and encodes it;
   the JPG goes to a temporary file that is renamed over the target only
   when it is complete. A target reached through symbolic links is the
   file at their end, so the links stay; a file that is replaced keeps its
   permissions, and its owner and group where the saver may give them. */
#define _POSIX_C_SOURCE 200809L

#include "bmp2jpeg.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <libgen.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <turbojpeg.h>
#include <unistd.h>

enum {
    /* The caller's scale is 0..99, the encoder's 1..100. */
    kLowestQuality = 0,
    kHighestQuality = 99,
    kEncoderQualityOffset = 1,
    /* Temporary names differ by pid and a counter; a folder holding this
       many stale ones for our pid is not worth searching further. */
    kTemporaryNameAttempts = 100,
    /* Room for ".<pid>-<n>.part" after the target path. */
    kTemporarySuffixRoom = 48,
    /* New files get the usual rw-rw-rw- less the user's umask. */
    kNewFileMode = 0666,
    /* A replaced file's permission bits; set-id bits are not carried over
       to a file of another content. */
    kPermissionBits = 0777,
    /* As the kernel's own limit on links followed in one path. */
    kMostLinksFollowed = 40
};

static int encoderQuality(int16_t quality)
{
    int q = quality;
    if (q < kLowestQuality)
        q = kLowestQuality;
    if (q > kHighestQuality)
        q = kHighestQuality;
    return q + kEncoderQualityOffset;
}

static int writeAll(int fd, const unsigned char *bytes, size_t length)
{
    while (length > 0) {
        const ssize_t written = write(fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return 0;
        }
        bytes += written;
        length -= (size_t)written;
    }
    return 1;
}

/* Opens a fresh temporary file beside jpgPath; its name goes to *nameOut
   (to be freed by the caller). Returns the descriptor or -1. */
static int openTemporaryBeside(const char *jpgPath, char **nameOut)
{
    const size_t room = strlen(jpgPath) + kTemporarySuffixRoom;
    char *name = malloc(room);
    if (!name)
        return -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        snprintf(name, room, "%s.%ld-%d.part", jpgPath, (long)getpid(), attempt);
        const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd >= 0) {
            *nameOut = name;
            return fd;
        }
        if (errno != EEXIST)
            break;
    }
    free(name);
    return -1;
}

/* The file that path names once every symbolic link on its end is
   followed (a link to a name not there yet names that name), newly
   allocated; NULL with errno set when it cannot be worked out. */
static char *linkEnd(const char *path)
{
    char *current = strdup(path);
    for (int followed = 0; current && followed <= kMostLinksFollowed; ++followed) {
        struct stat status;
        if (lstat(current, &status) != 0 || !S_ISLNK(status.st_mode))
            return current;
        char *target = malloc((size_t)status.st_size + 1);
        const ssize_t length = target ? readlink(current, target, (size_t)status.st_size + 1) : -1;
        if (length < 0 || length > status.st_size) {
            free(target);
            free(current);
            errno = length < 0 ? errno : EAGAIN;
            return NULL;
        }
        target[length] = '\0';
        if (target[0] == '/') {
            free(current);
            current = target;
            continue;
        }
        /* A relative link is read from the link's own folder. */
        char *folderCopy = strdup(current);
        const char *folder = folderCopy ? dirname(folderCopy) : NULL;
        char *joined = folder ? malloc(strlen(folder) + strlen(target) + 2) : NULL;
        if (joined)
            sprintf(joined, "%s/%s", folder, target);
        free(folderCopy);
        free(target);
        free(current);
        current = joined;
    }
    if (current) {
        free(current);
        errno = ELOOP;
    }
    return NULL;
}

/* Gives the new file what the user set on the one it replaces: its
   permission bits, and its owner and group as far as this user may (root
   keeps both; others keep the group if they belong to it). Access is never
   wider than before: where the group cannot be kept, the saver's group gets
   no more than everyone else had. */
static int keepWhatWasSet(int fd, const char *target)
{
    struct stat status;
    if (stat(target, &status) != 0)
        return errno == ENOENT ? 0 : errno;
    mode_t mode = status.st_mode & kPermissionBits;
    if (fchown(fd, status.st_uid, status.st_gid) != 0 && fchown(fd, (uid_t)-1, status.st_gid) != 0)
        mode &= ~(mode_t)S_IRWXG | ((mode & S_IRWXO) << 3);
    return fchmod(fd, mode) == 0 ? 0 : errno;
}

/* Writes the encoded bytes to jpgPath through a temporary file. Returns 0
   or the error number of the step that failed. */
static int storeJpeg(const char *jpgPath, const unsigned char *jpeg, unsigned long size)
{
    char *target = linkEnd(jpgPath);
    if (!target)
        return errno ? errno : ENOMEM;
    char *temporary = NULL;
    const int fd = openTemporaryBeside(target, &temporary);
    if (fd < 0) {
        const int error = errno ? errno : ENOMEM;
        free(target);
        return error;
    }
    int error = keepWhatWasSet(fd, target);
    if (!error && !writeAll(fd, jpeg, size))
        error = errno ? errno : EIO;
    /* Flush to the disk before the rename, so that a crash right after the
       save cannot leave an empty file under the user's name. */
    if (!error && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && !error)
        error = errno;
    if (!error && rename(temporary, target) != 0)
        error = errno;
    if (error)
        unlink(temporary);
    free(temporary);
    free(target);
    return error;
}

/* Both entry points encode through here, so that the same pixels give the
   same bytes whichever way they came. */
static int encodeAndStore(const unsigned char *pixels, int width, int pitch, int height, int pixelFormat,
                          const char *jpgPath, int16_t quality)
{
    tjhandle encoder = tjInitCompress();
    if (!encoder)
        return EINVAL;
    unsigned char *jpeg = NULL;
    unsigned long jpegSize = 0;
    int error = EINVAL;
    if (tjCompress2(encoder, pixels, width, pitch, height, pixelFormat, &jpeg, &jpegSize, TJSAMP_444,
                    encoderQuality(quality), TJFLAG_ACCURATEDCT) == 0
        && jpegSize > 0)
        error = storeJpeg(jpgPath, jpeg, jpegSize);
    tjFree(jpeg);
    tjDestroy(encoder);
    return error;
}

void BmpToJpeg(const char *bmpPath, const char *jpgPath, int16_t quality)
{
    if (!bmpPath || !jpgPath || !*bmpPath || !*jpgPath)
        return;

    int width = 0;
    int height = 0;
    int pixelFormat = TJPF_BGR;
    /* Rows packed without padding (align 1), top row first. */
    unsigned char *pixels = tjLoadImage(bmpPath, &width, 1, &height, &pixelFormat, 0);
    if (!pixels)
        return;
    encodeAndStore(pixels, width, 0, height, pixelFormat, jpgPath, quality);
    tjFree(pixels);
}

int PixelsToJpeg(const unsigned char *pixels, int width, int height, int pitch, const char *jpgPath,
                 int16_t quality)
{
    if (!pixels || width <= 0 || height <= 0 || (long long)pitch < 4LL * width || !jpgPath || !*jpgPath)
        return EINVAL;
    /* The fourth byte of each pixel is skipped by the encoder's own colour
       conversion, which computes the same values as for packed BGR. */
    return encodeAndStore(pixels, width, pitch, height, TJPF_BGRX, jpgPath, quality);
}
