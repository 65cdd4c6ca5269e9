// Small pictures and picture files made on the fly for tests.
#pragma once

#include "platform/picture.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QString>
#include <QThread>

#include <functional>
#include <random>

namespace mergola::testing {

// The sanitizer build, slower and with shadow memory that no cap on the
// address space leaves room for.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
inline constexpr bool kSanitizedBuild = __has_feature(address_sanitizer);
#else
inline constexpr bool kSanitizedBuild = false;
#endif

// The build puts the programs, the converter library and the test programs in one folder.
inline QString builtProgramDir() { return QCoreApplication::applicationDirPath(); }

// Random colours, the same for the same seed.
inline QImage randomImage(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(int(random() % 256), int(random() % 256), int(random() % 256)));
    return image;
}

inline Picture randomPicture(int width, int height, unsigned seed, QRgb fill = qRgb(255, 255, 255))
{
    Picture picture(width, height, fill);
    const QImage image = randomImage(width, height, seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, image.pixel(x, y));
    return picture;
}

// A picture whose every pixel tells where it is: red = x, green = y.
inline QImage gradientImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, 77));
    return image;
}

inline QString writeFile(const QDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

// What a file holds; nothing when it cannot be read.
inline QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QString writeImage(const QDir &dir, const QString &name, const QImage &image, const char *format,
                          int quality = -1)
{
    const QString path = dir.filePath(name);
    return image.save(path, format, quality) ? path : QString();
}

// Polls done every pollMs until it holds or timeoutMs have passed; whether
// it held. The timeout only ends a run that hangs.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs, int pollMs = 200)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QThread::msleep(pollMs);
    return done();
}

// A 1 x 1 GIF of pure red (Qt reads GIF but cannot write it).
inline QByteArray redPixelGif()
{
    static const unsigned char bytes[] = {
        'G', 'I', 'F', '8', '9', 'a', 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0x00,
        0x00, ',', 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 'D', 0x01, 0x00, ';'};
    return QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes);
}

} // namespace mergola::testing
