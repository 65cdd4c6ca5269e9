// Shared helpers of the output tests: where the converters were built,
// folders that cannot be written and a disk that is full.
#pragma once

#include "platform/picture.h"
#include "support/fake_services.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

namespace mergola::testing {

// Where the build put the real converter, a library without its entry point
// and a converter that leaves an empty file.
inline QString converterDir() { return QStringLiteral(MERGOLA_TEST_CONVERTER_DIR); }
inline QString noEntryPointConverterDir() { return QStringLiteral(MERGOLA_TEST_NO_ENTRY_DIR); }
inline QString emptyOutputConverterDir() { return QStringLiteral(MERGOLA_TEST_EMPTY_OUTPUT_DIR); }

inline QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

inline QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A small tmpfs on a folder of its own, unmounted again at the end. It needs
// the right to mount (root here); otherwise usable() is false and why() says
// why. lock() remounts it read-only, which not even root can write to.
class TinyDisk {
public:
    static constexpr const char *kSize = "size=64k"; // far below a 321 x 240 BMP

    TinyDisk()
    {
        QDir().mkpath(path());
        m_mounted = ::mount("tmpfs", QFile::encodeName(path()).constData(), "tmpfs", 0, kSize) == 0;
        if (!m_mounted)
            m_why = QStringLiteral("cannot mount a tmpfs: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    ~TinyDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
    }
    TinyDisk(const TinyDisk &) = delete;
    TinyDisk &operator=(const TinyDisk &) = delete;

    bool usable() const { return m_mounted; }
    QString why() const { return m_why; }
    QString path() const { return m_base.filePath(QStringLiteral("disk")); }
    bool lock()
    {
        return ::mount("tmpfs", QFile::encodeName(path()).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, kSize) == 0;
    }

private:
    QTemporaryDir m_base;
    bool m_mounted = false;
    QString m_why;
};

// A folder nobody may write to once locked: for an ordinary user its
// permissions do it; root ignores permissions, so for root it is a tiny disk.
class UnwritableFolder {
public:
    UnwritableFolder() { QDir().mkpath(m_base.filePath(QStringLiteral("locked"))); }
    ~UnwritableFolder() { QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); }

    bool usable() const { return !m_root || m_disk.usable(); }
    QString why() const { return m_disk.why(); }
    QString path() const { return m_root ? m_disk.path() : m_base.filePath(QStringLiteral("locked")); }
    bool lock() { return m_root ? m_disk.lock() : QFile::setPermissions(path(), QFile::ReadOwner | QFile::ExeOwner); }

private:
    bool m_root = ::geteuid() == 0;
    QTemporaryDir m_base;
    TinyDisk m_disk;
};

} // namespace mergola::testing
