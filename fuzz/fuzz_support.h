// What the fuzz targets share: the fuzzer's bytes as a file, since the
// program's readers take paths, in a folder that lives as long as the run.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace mergola::fuzz {

// One scratch folder per fuzzing process (on a memory file system where
// there is one, to spare the disk millions of writes).
inline const QTemporaryDir &scratch()
{
    static const QTemporaryDir folder(QFile::exists(QStringLiteral("/dev/shm"))
                                          ? QStringLiteral("/dev/shm/mergola-fuzz-XXXXXX")
                                          : QString());
    return folder;
}

inline QString writeInput(const std::uint8_t *data, std::size_t size, const QString &name)
{
    const QString path = scratch().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
    return path;
}

// A core application, as the command line has, made once.
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "mergola-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QCoreApplication(argc, argv);
    }();
    (void)application;
}

// A broken promise of the code under test: report it as a crash.
#define FUZZ_CHECK(condition)                                                                                         \
    do {                                                                                                              \
        if (!(condition))                                                                                             \
            __builtin_trap();                                                                                         \
    } while (0)

} // namespace mergola::fuzz
