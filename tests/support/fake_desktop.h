// A desktop of the test's own for the screen cast: a private session bus
// with the fake portal (tests/platform/fake_portal.py) on it, and, for the
// frames, a PipeWire with WirePlumber in a runtime folder of its own.
#pragma once

#include "support/wait_for_events.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

namespace mergola::testing {

inline bool readLineFrom(QProcess &process, QByteArray &line, int timeoutMs = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!process.canReadLine() && clock.elapsed() < timeoutMs && process.state() == QProcess::Running)
        process.waitForReadyRead(100);
    line = process.readLine().trimmed();
    return !line.isEmpty();
}

class FakeDesktop {
public:
    QTemporaryDir folder;

    // False where dbus-daemon or python3-dbus is missing.
    bool start()
    {
        // A bus that starts no services: the machine's own portal must not
        // step in for the fake, nor when the fake is gone.
        const QString config = folder.filePath("bus.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) ||
            !file.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                        "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                        "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                        "</policy></busconfig>"))
            return false;
        file.close();
        m_bus.start(QStringLiteral("dbus-daemon"), {"--config-file=" + config, "--nofork", "--print-address=1"});
        QByteArray address;
        if (!m_bus.waitForStarted(5000) || !readLineFrom(m_bus, address))
            return false;
        m_address = QString::fromUtf8(address);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", m_address);
        m_portal.setProcessEnvironment(environment);
        m_portal.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Debian's own Python, the one python3-dbus belongs to.
        m_portal.start(QStringLiteral(MERGOLA_FAKE_PORTAL), {});
        QByteArray ready;
        return m_portal.waitForStarted(5000) && readLineFrom(m_portal, ready) && ready == "ready";
    }
    ~FakeDesktop()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-desktop"));
        for (QProcess *process : {&m_portal, &m_bus}) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    QString address() const { return m_address; }
    QDBusConnection bus() const { return QDBusConnection::connectToBus(m_address, QStringLiteral("fake-desktop")); }
    void stopPortal() { m_portal.kill(), m_portal.waitForFinished(5000); }

    // Changes how the portal answers from now on (see fake_portal.py).
    void tell(const QByteArray &line)
    {
        m_portal.write(line + '\n');
        waitForCall("set " + line.left(line.indexOf(' ')));
    }

    // Whether the portal got a call of that name (next in line), and its
    // options; the event loop runs meanwhile.
    bool waitForCall(const QString &name, QJsonObject *options = nullptr)
    {
        return waitForEvents([&] {
            while (m_portal.canReadLine()) {
                const QJsonObject call = QJsonDocument::fromJson(m_portal.readLine()).object();
                if (call.value("call").toString() == name) {
                    if (options)
                        *options = call.value("options").toObject();
                    return true;
                }
            }
            m_portal.waitForReadyRead(5);
            return false;
        });
    }

private:
    QProcess m_bus;
    QProcess m_portal;
    QString m_address;
};

// PipeWire and WirePlumber, ready to link a stream to a producer.
class PipeWireDesktop {
public:
    QTemporaryDir runtime;

    // False where PipeWire or WirePlumber is missing or does not come up.
    bool start(const QString &busAddress)
    {
        if (QStandardPaths::findExecutable("pipewire").isEmpty() || QStandardPaths::findExecutable("wireplumber").isEmpty())
            return false;
        m_environment.insert("XDG_RUNTIME_DIR", runtime.path());
        m_environment.insert("PIPEWIRE_RUNTIME_DIR", runtime.path());
        m_environment.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
        m_daemon.setProcessEnvironment(m_environment);
        m_daemon.start(QStringLiteral("pipewire"), {});
        // WirePlumber gives up on a PipeWire that does not answer yet, and
        // links no stream before its "default" metadata is there.
        if (!waitForEvents([&] { return ask({"info", "0"}).contains("id: 0"); }))
            return false;
        m_session.setProcessEnvironment(m_environment);
        m_session.start(QStringLiteral("wireplumber"), {});
        return waitForEvents([&] { return ask({"ls", "Metadata"}).contains("metadata.name = \"default\""); });
    }
    ~PipeWireDesktop()
    {
        for (QProcess *process : {&m_session, &m_daemon}) {
            process->terminate();
            process->waitForFinished(5000);
        }
    }
    QString socket() const { return runtime.filePath("pipewire-0"); }
    // What pw-cli answers to arguments.
    QByteArray ask(const QStringList &arguments) const
    {
        QProcess cli;
        cli.setProcessEnvironment(m_environment);
        cli.start(QStringLiteral("pw-cli"), arguments);
        cli.waitForFinished(5000);
        return cli.readAllStandardOutput();
    }

private:
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    QProcess m_daemon;
    QProcess m_session;
};

} // namespace mergola::testing
