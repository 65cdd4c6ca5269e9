// Shared helpers of the output tests: fakes of the platform interfaces,
// made-up pictures, folders that cannot be written and a disk that is full.
#pragma once

#include "platform/picture.h"
#include "platform/services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <sys/mount.h>
#include <unistd.h>

namespace mergola::testing {

// Where the build put the real converter, a library without its entry point
// and a converter that leaves an empty file.
inline QString converterDir() { return QStringLiteral(MERGOLA_TEST_CONVERTER_DIR); }
inline QString noEntryPointConverterDir() { return QStringLiteral(MERGOLA_TEST_NO_ENTRY_DIR); }
inline QString emptyOutputConverterDir() { return QStringLiteral(MERGOLA_TEST_EMPTY_OUTPUT_DIR); }

struct FakeDialogs final : FileDialogs {
    QString answer; // empty: the user cancels
    QStringList saveFilters;
    int openCalls = 0;

    QString openFile(const QString &) override
    {
        ++openCalls;
        return {};
    }
    QString saveFile(const QString &filter) override
    {
        saveFilters << filter;
        return answer;
    }
};

struct FakeMessages final : MessageBox {
    QStringList shown;
    void show(const QString &text) override { shown << text; }
};

// A picture whose every pixel differs from its neighbours in all three
// channels, so a swapped channel, a flipped row or a shifted column shows.
inline Picture scrambled(int width, int height, unsigned seed = 1)
{
    Picture picture(width, height, qRgb(255, 255, 255));
    unsigned state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            picture.setPixel(x, y, qRgb(int(state >> 24), int((state >> 16) & 0xFF), int((state >> 8) & 0xFF)));
        }
    return picture;
}

inline QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

inline bool isRoot() { return ::geteuid() == 0; }

// A small tmpfs mounted on a folder of its own, unmounted again at the end.
// Needs the right to mount (root here); otherwise usable() is false and why()
// says what went wrong.
class TinyDisk {
public:
    static constexpr const char *kSize = "size=64k"; // far below a 321 x 240 BMP

    TinyDisk()
    {
        m_path = m_base.path() + QStringLiteral("/disk");
        QDir().mkpath(m_path);
        if (::mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", 0, kSize) == 0)
            m_mounted = true;
        else
            m_why = QStringLiteral("cannot mount a tmpfs: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    ~TinyDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
    TinyDisk(const TinyDisk &) = delete;
    TinyDisk &operator=(const TinyDisk &) = delete;

    bool usable() const { return m_mounted; }
    QString why() const { return m_why; }
    QString path() const { return m_path; }

    // Remounts the disk read-only, so not even root can write to it.
    bool makeReadOnly()
    {
        return ::mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, kSize) == 0;
    }

private:
    QTemporaryDir m_base;
    QString m_path;
    bool m_mounted = false;
    QString m_why;
};

// A folder nobody may write to. For an ordinary user its permissions do
// it; root ignores permissions, so for root it is a read-only tmpfs.
// Before it is locked, fill() may copy files into it.
class UnwritableFolder {
public:
    UnwritableFolder()
    {
        if (isRoot()) {
            m_disk = std::make_unique<TinyDisk>();
            m_path = m_disk->path();
            m_why = m_disk->why();
            m_ready = m_disk->usable();
        } else {
            m_path = m_base.path() + QStringLiteral("/locked");
            m_ready = QDir().mkpath(m_path);
        }
    }
    ~UnwritableFolder()
    {
        if (!isRoot())
            QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    UnwritableFolder(const UnwritableFolder &) = delete;
    UnwritableFolder &operator=(const UnwritableFolder &) = delete;

    bool usable() const { return m_ready; }
    QString why() const { return m_why; }
    QString path() const { return m_path; }

    bool fill(const QString &sourceFile)
    {
        return QFile::copy(sourceFile, QDir(m_path).filePath(QFileInfo(sourceFile).fileName()));
    }

    bool lock()
    {
        if (isRoot())
            return m_disk->makeReadOnly();
        return QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ExeOwner);
    }

private:
    QTemporaryDir m_base;
    std::unique_ptr<TinyDisk> m_disk;
    QString m_path;
    QString m_why;
    bool m_ready = false;
};

} // namespace mergola::testing
