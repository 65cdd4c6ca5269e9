// Starts the real mergola on a virtual X screen, looks at it through a
// screenshot, and checks what a person would see and what it leaves behind.
#include "platform/picture.h"
#include "support/test_files.h"
#include "support/virtual_screen.h"
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

// The real program, copied into a folder of its own so that the settings
// file it writes beside itself is the test's to find, started on a
// virtual screen and looked at through screenshots.
class WindowProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!screen.start())
            GTEST_SKIP() << "Xvfb is not available here, so the real window cannot be started";
        environment = screen.environment();
    }
    void TearDown() override
    {
        for (QProcess *process : {&mergola, &helper}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
        }
    }

    void startWindow()
    {
        const QString program = installed.filePath(QStringLiteral("mergola"));
        ASSERT_TRUE(QFile::copy(programDir() + QStringLiteral("/mergola"), program));
        QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
        mergola.setProcessEnvironment(environment);
        mergola.setWorkingDirectory(QDir::tempPath());
        mergola.start(program, {});
        ASSERT_TRUE(mergola.waitForStarted(5000));

        QElapsedTimer clock;
        clock.start();
        bool shown = false;
        while (!shown && clock.elapsed() < kStartTimeoutMs && mergola.state() == QProcess::Running) {
            QThread::msleep(300);
            const QImage shot = screenshot();
            // Slot 2's display and the result display: 320 x 240 each, less the prompt.
            shown = countColour(shot, kSlot2Background) > 70000 && countColour(shot, kResultBackground) > 70000;
        }
        ASSERT_TRUE(shown) << "the window did not appear with its two coloured displays; program state "
                           << mergola.state() << ", output: " << mergola.readAllStandardError().toStdString();
    }

    QImage screenshot() { return screen.screenshot(installed.filePath(QStringLiteral("screen.png"))); }
    bool xdotool(const QStringList &arguments) { return screen.xdotool(arguments); }

    long long cpuTicksOverSeconds(int seconds)
    {
        const long long before = cpuTicks(mergola.processId());
        QThread::sleep(seconds);
        return cpuTicks(mergola.processId()) - before;
    }

    mergola::testing::VirtualScreen screen;
    QProcessEnvironment environment;
    QTemporaryDir installed;
    QProcess mergola;
    QProcess helper;
};

// The window opens centred on the 1024 x 768 screen, so its controls lie
// at known screen pixels.
constexpr QPoint kWindowCorner((1024 - 784) / 2, (768 - 542) / 2);
constexpr QPoint kLoepKnopCentre = kWindowCorner + QPoint(436 + 10 + 38, 356 + 18 + 12);
constexpr QRect kLensArea(kWindowCorner + QPoint(436 + 8 + 2, 356 + 52 + 2), QSize(155, 88));

} // namespace

TEST_F(WindowProgram, ShowsItsWindowIdlesQuietlyAndLeavesTheSettingsFileBesideItself)
{
    startWindow();
    // Idle: under 1% of a core over a few seconds, the lens timer included.
    const long long ticksPerSecond = sysconf(_SC_CLK_TCK);
    constexpr int kIdleSeconds = 4;
    const long long used = cpuTicksOverSeconds(kIdleSeconds);
    EXPECT_LE(used, ticksPerSecond * kIdleSeconds / 100) << "idle CPU ticks " << used;

    QFile settings(installed.filePath(QStringLiteral("Mergola.ini")));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly)) << "no settings file beside the program";
    EXPECT_EQ(settings.readAll(), QByteArray("320,240\r\n75\r\n"));
}

TEST_F(WindowProgram, LensMagnifiesThePatternUnderThePointerAndCostsLittle)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "xdotool is not installed, so the pointer cannot be moved";
    constexpr QPoint kPatternCorner(16, 16);
    helper.setProcessEnvironment(environment);
    helper.start(programDir() + QStringLiteral("/screen_grab"),
                 {QStringLiteral("--pattern"), QString::number(kPatternCorner.x()),
                  QString::number(kPatternCorner.y())});
    ASSERT_TRUE(helper.waitForStarted(5000));
    startWindow();
    const QImage prompt = screenshot().copy(kLensArea);

    ASSERT_TRUE(xdotool({QStringLiteral("mousemove"), QString::number(kLoepKnopCentre.x()),
                         QString::number(kLoepKnopCentre.y()), QStringLiteral("click"), QStringLiteral("1")}));
    const QPoint pointer = kPatternCorner + QPoint(32, 32);
    ASSERT_TRUE(xdotool({QStringLiteral("mousemove"), QString::number(pointer.x()), QString::number(pointer.y())}));
    QThread::msleep(500);
    const QImage shot = screenshot();
    // Magnification 3: 52 x 29 screen pixels, 26 left of and 14 above the
    // pointer, stretched over the lens.
    mergola::Picture expected(kLensArea.width(), kLensArea.height(), qRgb(224, 224, 224));
    expected.drawStretched(shot.copy(pointer.x() - 26, pointer.y() - 14, 52, 29), QRect(QPoint(0, 0), kLensArea.size()));
    EXPECT_EQ(shot.copy(kLensArea), expected.image());

    const long long ticksPerSecond = sysconf(_SC_CLK_TCK);
    constexpr int kLensSeconds = 4;
    const long long used = cpuTicksOverSeconds(kLensSeconds);
    // Under 5% of a core; the sanitizers' instrumented build gets three times that.
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kPercent = 15;
#elif defined(__has_feature)
    constexpr int kPercent = __has_feature(address_sanitizer) ? 15 : 5;
#else
    constexpr int kPercent = 5;
#endif
    EXPECT_LE(used, ticksPerSecond * kLensSeconds * kPercent / 100) << "CPU ticks with the lens on " << used;

    ASSERT_TRUE(xdotool({QStringLiteral("mousemove"), QString::number(kLoepKnopCentre.x()),
                         QString::number(kLoepKnopCentre.y()), QStringLiteral("click"), QStringLiteral("1")}));
    QThread::msleep(300);
    EXPECT_EQ(screenshot().copy(kLensArea), prompt) << "switched off, the lens shows its prompt again";
}
