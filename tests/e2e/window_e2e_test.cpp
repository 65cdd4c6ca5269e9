// Starts the real mergola on a virtual X screen, looks at it through a
// screenshot, and checks what a person would see and what it leaves behind.
#include "platform/picture.h"
#include "support/test_files.h"
#include "support/virtual_screen.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <unistd.h>

using mergola::testing::VirtualScreen;

namespace {

constexpr QPoint kLoepKnopCentre = VirtualScreen::kWindowCorner + QPoint(436 + 10 + 38, 356 + 18 + 12);
constexpr QRect kLensArea(VirtualScreen::kWindowCorner + QPoint(436 + 8 + 2, 356 + 52 + 2), QSize(155, 88));

// CPU time (user + system) of a process, in clock ticks.
long long cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // After the command name: state is field 3, utime field 14, stime field 15.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

// Whether the process used at most percent of a core over a few seconds:
// enough clock ticks that a bound of a tenth of a core means hundreds of
// them, so only a cost a user would notice on a laptop's battery fails.
void expectCpuAtMost(const QProcess &process, int percent)
{
    constexpr int kSeconds = 4;
    const long long before = cpuTicks(process.processId());
    QThread::sleep(kSeconds);
    const long long used = cpuTicks(process.processId()) - before;
    EXPECT_LE(used, sysconf(_SC_CLK_TCK) * kSeconds * percent / 100) << "CPU ticks " << used;
}

} // namespace

// The real program, copied into a folder of its own so that the settings
// file it writes beside itself is the test's to find.
TEST(WindowProgram, ShowsItsWindowIdlesQuietlyKeepsItsSettingsBesideItselfAndItsLensMagnifies)
{
    VirtualScreen screen;
    if (!screen.start())
        GTEST_SKIP() << "Xvfb is not available here, so the real window cannot be started";
    QTemporaryDir installed;
    const auto screenshot = [&] { return screen.screenshot(installed.filePath("screen.png")); };
    const QString program = installed.filePath("mergola");
    ASSERT_TRUE(QFile::copy(mergola::testing::builtProgramDir() + "/mergola", program));
    QProcess mergola;
    mergola.setProcessEnvironment(screen.environment());
    mergola.setWorkingDirectory(QDir::tempPath());
    mergola.start(program, {});
    ASSERT_TRUE(mergola.waitForStarted(VirtualScreen::kToolTimeoutMs));
    // Slot 2's display and the result display in their colours.
    ASSERT_TRUE(mergola::testing::waitUntil([&] {
        const QImage shot = screenshot();
        return shot.pixel(VirtualScreen::kWindowCorner + QPoint(20, 290)) == qRgb(180, 250, 200) &&
               shot.pixel(VirtualScreen::kWindowCorner + QPoint(452, 20)) == qRgb(192, 192, 255);
    }, 20'000)) << "no window with its two coloured displays: " << mergola.readAllStandardError().toStdString();
    // Idle, it measures about 0.6% of a core, the lens's timer included.
    expectCpuAtMost(mergola, 10);
    EXPECT_EQ(mergola::testing::contentsOf(installed.filePath("Mergola.ini")), QByteArray("320,240\r\n75\r\n"))
        << "the settings file beside the program";

    if (QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "xdotool is not installed, so the pointer cannot be moved";
    ASSERT_TRUE(screen.click(kLoepKnopCentre));
    // Over the prompt of slot 1's display, whose letters give the lens something to show.
    const QPoint pointer = VirtualScreen::kWindowCorner + QPoint(17 + 150, 16 + 100);
    ASSERT_TRUE(screen.xdotool({"mousemove", QString::number(pointer.x()), QString::number(pointer.y())}));
    // Magnification 3: 52 x 29 screen pixels, 26 left of and 14 above the pointer, stretched over the lens.
    const auto lensMagnifies = [&] {
        const QImage shot = screenshot();
        mergola::Picture expected(kLensArea.width(), kLensArea.height(), qRgb(224, 224, 224));
        expected.drawStretched(shot.copy(pointer.x() - 26, pointer.y() - 14, 52, 29), QRect(QPoint(0, 0), kLensArea.size()));
        return shot.copy(kLensArea) == expected.image();
    };
    EXPECT_TRUE(mergola::testing::waitUntil(lensMagnifies, 20'000));
    // The lens measures about 2% of a core (three times that under the sanitizers).
    expectCpuAtMost(mergola, 25);
}
