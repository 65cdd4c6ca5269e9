// Starts the real mergola on a virtual X screen, looks at it through a
// screenshot, and checks what a person would see and what it leaves behind.
#include "support/test_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

constexpr QRgb kSlot2Background = qRgb(180, 250, 200);
constexpr QRgb kResultBackground = qRgb(192, 192, 255);
constexpr int kStartTimeoutMs = 20000;

QString programDir() { return mergola::testing::builtProgramDir(); }

int countColour(const QImage &image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return count;
}

// CPU time (user + system) of a process, in clock ticks.
long long cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    // After the command name: state is field 3, utime field 14, stime field 15.
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

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
        m_display = QStringLiteral(":") + QString::fromLatin1(number);
        return true;
    }
    ~VirtualScreen()
    {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }
    QString display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};

} // namespace

TEST(WindowProgram, ShowsItsWindowIdlesQuietlyAndLeavesTheSettingsFileBesideItself)
{
    VirtualScreen screen;
    if (!screen.start())
        GTEST_SKIP() << "Xvfb is not available here, so the real window cannot be started";

    // A copy of the program in a folder of its own, so the settings file it
    // writes beside itself is this test's to find.
    QTemporaryDir installed;
    const QString program = installed.filePath(QStringLiteral("mergola"));
    ASSERT_TRUE(QFile::copy(programDir() + QStringLiteral("/mergola"), program));
    QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), screen.display());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess mergola;
    mergola.setProcessEnvironment(environment);
    mergola.setWorkingDirectory(QDir::tempPath());
    mergola.start(program, {});
    ASSERT_TRUE(mergola.waitForStarted(5000));

    const QString shot = installed.filePath(QStringLiteral("screen.png"));
    QImage screenshot;
    QElapsedTimer clock;
    clock.start();
    bool shown = false;
    while (!shown && clock.elapsed() < kStartTimeoutMs && mergola.state() == QProcess::Running) {
        QThread::msleep(300);
        QProcess grab;
        grab.setProcessEnvironment(environment);
        grab.start(programDir() + QStringLiteral("/screen_grab"), {shot});
        grab.waitForFinished(10000);
        screenshot = QImage(shot);
        // Slot 2's display and the result display: 320 x 240 each, less the prompt.
        shown = !screenshot.isNull() && countColour(screenshot, kSlot2Background) > 70000 &&
                countColour(screenshot, kResultBackground) > 70000;
    }
    ASSERT_TRUE(shown) << "the window did not appear with its two coloured displays; program state "
                       << mergola.state() << ", output: " << mergola.readAllStandardError().toStdString();

    // Idle: under 1% of a core over a few seconds.
    const long long ticksPerSecond = sysconf(_SC_CLK_TCK);
    constexpr int kIdleSeconds = 4;
    const long long before = cpuTicks(mergola.processId());
    QThread::sleep(kIdleSeconds);
    const long long used = cpuTicks(mergola.processId()) - before;
    EXPECT_LE(used, ticksPerSecond * kIdleSeconds / 100) << "idle CPU ticks " << used;

    QFile settings(installed.filePath(QStringLiteral("Mergola.ini")));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly)) << "no settings file beside the program";
    EXPECT_EQ(settings.readAll(), QByteArray("320,240\r\n75\r\n"));

    mergola.terminate();
    if (!mergola.waitForFinished(5000))
        mergola.kill();
}
