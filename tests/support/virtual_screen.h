// A virtual X screen for the end-to-end tests: Xvfb on a free display,
// screenshots through the screen_grab helper that the build puts beside
// the tests, and a real pointer and keyboard through xdotool.
#pragma once

#include "support/test_files.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace mergola::testing {

class VirtualScreen {
public:
    bool start()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return false;
        m_server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                              QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp")});
        if (!m_server.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (!m_server.canReadLine() && clock.elapsed() < 10000)
            m_server.waitForReadyRead(200);
        const QByteArray number = m_server.readLine().trimmed();
        if (number.isEmpty())
            return false;
        m_environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + QString::fromLatin1(number));
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return true;
    }
    ~VirtualScreen()
    {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }

    // The system's environment, with the display of this screen.
    QProcessEnvironment environment() const { return m_environment; }

    // The whole screen, saved as shotPath (a PNG) on the way.
    QImage screenshot(const QString &shotPath) const
    {
        QFile::remove(shotPath);
        QProcess grab;
        grab.setProcessEnvironment(m_environment);
        grab.start(builtProgramDir() + QStringLiteral("/screen_grab"), {shotPath});
        grab.waitForFinished(10000);
        return QImage(shotPath).convertToFormat(QImage::Format_RGB32);
    }

    // Moves the real pointer, clicks and types, as a person would.
    bool xdotool(const QStringList &arguments) const
    {
        QProcess tool;
        tool.setProcessEnvironment(m_environment);
        tool.start(QStringLiteral("xdotool"), arguments);
        return tool.waitForFinished(10000) && tool.exitCode() == 0;
    }

private:
    QProcess m_server;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
};

} // namespace mergola::testing
