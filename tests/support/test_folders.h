// Folders that cannot be written and a disk that is full, for the tests of
// everything that writes files.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/mount.h>
#include <unistd.h>

namespace mergola::testing {

// A small tmpfs mounted on a folder of its own, unmounted again at the end.
// Needs the right to mount (root here); otherwise usable() is false and why()
// says what went wrong. lock() remounts it read-only, so that not even root
// can write to it.
class TinyDisk {
public:
    TinyDisk()
    {
        QDir().mkpath(path());
        m_mounted = mountTmpfs(0);
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
    bool lock() { return mountTmpfs(MS_REMOUNT | MS_RDONLY); }

private:
    // 64 KB: far below a 321 x 240 BMP.
    bool mountTmpfs(unsigned long flags)
    {
        return ::mount("tmpfs", QFile::encodeName(path()).constData(), "tmpfs", flags, "size=64k") == 0;
    }

    QTemporaryDir m_base;
    bool m_mounted = false;
    QString m_why;
};

// A folder nobody may write to once locked. For an ordinary user its
// permissions do it; root ignores permissions, so for root it is a tiny
// disk mounted read-only.
class UnwritableFolder {
public:
    UnwritableFolder() : m_disk(::geteuid() == 0 ? std::make_unique<TinyDisk>() : nullptr)
    {
        if (!m_disk)
            QDir().mkpath(path());
    }
    ~UnwritableFolder()
    {
        if (!m_disk)
            QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    bool usable() const { return !m_disk || m_disk->usable(); }
    QString why() const { return m_disk ? m_disk->why() : QString(); }
    QString path() const { return m_disk ? m_disk->path() : m_base.filePath(QStringLiteral("locked")); }
    bool lock() { return m_disk ? m_disk->lock() : QFile::setPermissions(path(), QFile::ReadOwner | QFile::ExeOwner); }

private:
    QTemporaryDir m_base;
    std::unique_ptr<TinyDisk> m_disk;
};

// Sets an environment variable for the length of a test.
class ScopedVariable {
public:
    ScopedVariable(const char *name, const QString &value)
        : m_name(name), m_wasSet(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, QFile::encodeName(value));
    }
    ~ScopedVariable() { m_wasSet ? qputenv(m_name, m_old) : qunsetenv(m_name); }

private:
    const char *m_name;
    bool m_wasSet;
    QByteArray m_old;
};

} // namespace mergola::testing
