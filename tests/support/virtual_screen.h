// A virtual X screen for the end-to-end tests: Xvfb on a free display,
// screenshots through the screen_grab helper that the build puts beside
// the tests, and a real pointer and keyboard through xdotool.
#pragma once

#include "support/test_files.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace mergola::testing {

class VirtualScreen {
public:
    // The main window, 784 x 542, opens centred on this 1024 x 768 screen,
    // so its controls lie at known screen pixels.
    static constexpr QPoint kWindowCorner{(1024 - 784) / 2, (768 - 542) / 2};
    // Only ends a tool or a wait that hangs.
    static constexpr int kToolTimeoutMs = 60'000;

    bool start()
    {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        if (xvfb.isEmpty())
            return false;
        m_server.start(xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        if (!m_server.waitForStarted(kToolTimeoutMs))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (!m_server.canReadLine() && clock.elapsed() < kToolTimeoutMs)
            m_server.waitForReadyRead(200);
        const QByteArray number = m_server.readLine().trimmed();
        if (number.isEmpty())
            return false;
        m_environment.insert("DISPLAY", ":" + QString::fromLatin1(number));
        m_environment.insert("QT_QPA_PLATFORM", "xcb");
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
        grab.start(builtProgramDir() + "/screen_grab", {shotPath});
        grab.waitForFinished(kToolTimeoutMs);
        return QImage(shotPath).convertToFormat(QImage::Format_RGB32);
    }

    // Moves the real pointer, clicks and types, as a person would; asks
    // which windows are shown and which has the keyboard.
    bool xdotool(const QStringList &arguments, QByteArray *output = nullptr) const
    {
        QProcess tool;
        tool.setProcessEnvironment(m_environment);
        tool.start("xdotool", arguments);
        const bool ran = tool.waitForFinished(kToolTimeoutMs) && tool.exitCode() == 0;
        if (output)
            *output = tool.readAllStandardOutput().trimmed();
        return ran;
    }
    // The windows of the program named by its class (pop-up menus included) that are on the screen.
    int windowsShown(const QString &programClass) const
    {
        QByteArray ids;
        return xdotool({"search", "--onlyvisible", "--class", programClass}, &ids) ? int(ids.count('\n')) + 1 : 0;
    }
    // Waits until the window named title is shown and has the keyboard, so
    // that no key typed for it goes elsewhere.
    // (A search fails outright when a window, such as a closing pop-up
    // menu, goes while it looks; it is asked again.)
    bool waitForKeyboardIn(const QString &title) const
    {
        return waitUntil([&] {
            QByteArray windows, focused;
            return xdotool({"search", "--onlyvisible", "--name", title}, &windows) &&
                   xdotool({"getwindowfocus"}, &focused) && windows.split('\n').contains(focused);
        }, kToolTimeoutMs, 50);
    }
    bool click(QPoint at) const
    {
        return xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    }

private:
    QProcess m_server;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
};

} // namespace mergola::testing
