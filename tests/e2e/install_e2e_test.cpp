// Installs Mergola into a temporary prefix as a user would with
// `cmake --install`, checks the desktop entry, the AppStream metainfo and
// the manual pages with their own tools, removes an install again, and runs
// the installed window as an unprivileged user on a virtual screen: a WebP
// from its command line, a PNG through the real open dialog and a JPG saved
// through the real save dialog.
#include "platform/image_file.h"
#include "platform/picture.h"
#include "support/test_files.h"
#include "support/virtual_screen.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <pwd.h>
#include <unistd.h>

using mergola::testing::VirtualScreen;
using mergola::testing::writeFile;

namespace {

const QString kAppId = QStringLiteral("example.mergola.Mergola");
constexpr int kToolTimeoutMs = 120'000;
constexpr int kWindowTimeoutMs = 20'000;

QString dataFile(const char *name)
{
    return QStringLiteral(MERGOLA_TEST_DATA "/") + QLatin1String(name);
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Outcome run(const QString &program, const QStringList &arguments,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    const int status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {status, process.readAllStandardOutput(), process.readAllStandardError()};
}

// `cmake --install` into prefix. CMake leaves its list of installed files
// in the build folder, where a developer's own `uninstall` would take it
// for theirs: the list is moved to manifestCopy and the build folder gets
// back what it held. The tests that install hold a lock on that file.
bool install(const QString &prefix, const QString &manifestCopy)
{
    const QString manifest = QStringLiteral(MERGOLA_BUILD_DIR "/install_manifest.txt");
    const bool hadOne = QFile::exists(manifest);
    const QByteArray before = contentOf(manifest);
    const Outcome installed =
        run(QStringLiteral(MERGOLA_CMAKE), {QStringLiteral("--install"), QStringLiteral(MERGOLA_BUILD_DIR),
                                            QStringLiteral("--prefix"), prefix});
    const bool kept = QFile::copy(manifest, manifestCopy);
    QFile::remove(manifest);
    if (hadOne)
        writeFile(QFileInfo(manifest).absolutePath(), QStringLiteral("install_manifest.txt"), before);
    EXPECT_EQ(installed.exitCode, 0) << installed.err.toStdString();
    return installed.exitCode == 0 && kept;
}

// Every file under folder, relative to it.
QStringList filesUnder(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

class InstalledCopy : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_root = std::make_unique<QTemporaryDir>();
        // Readable by everyone, as a prefix is: the window test runs as another user.
        QFile::setPermissions(s_root->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                  QFile::ExeOther);
        s_installed = install(prefix(), s_root->filePath(QStringLiteral("manifest.txt")));
    }
    static void TearDownTestSuite() { s_root.reset(); }
    void SetUp() override { ASSERT_TRUE(s_installed) << "cmake --install failed"; }

    static QString prefix(const QString &relative = {})
    {
        return s_root->filePath(QStringLiteral("prefix/") + relative);
    }

    static inline std::unique_ptr<QTemporaryDir> s_root;
    static inline bool s_installed = false;
};

} // namespace

TEST_F(InstalledCopy, DesktopEntryMetainfoIconsAndManPagesPassTheirOwnChecks)
{
    for (const char *tool : {"desktop-file-validate", "appstreamcli", "man"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed (scripts/setup.sh installs it)";
    const QString entry = prefix(QStringLiteral("share/applications/%1.desktop").arg(kAppId));
    const Outcome desktop = run(QStringLiteral("desktop-file-validate"), {entry});
    EXPECT_EQ(desktop.exitCode, 0);
    EXPECT_EQ(desktop.out + desktop.err, QByteArray()) << "not even a hint";
    const QString exec = QStringLiteral("\nExec=\"%1\" %F\n").arg(prefix(QStringLiteral("bin/mergola")));
    EXPECT_TRUE(contentOf(entry).contains(exec.toUtf8())) << "the menu starts this prefix's program with the files";
    const Outcome metainfo =
        run(QStringLiteral("appstreamcli"), {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                             prefix(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(kAppId))});
    EXPECT_EQ(metainfo.exitCode, 0) << metainfo.out.toStdString();
    EXPECT_TRUE(QFileInfo::exists(prefix(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(kAppId))));
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        EXPECT_EQ(QImage(prefix(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kAppId))).size(),
                  QSize(size, size));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    // --help answers on a terminal without a display.
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const QRegularExpression option(QStringLiteral("(?:^|[\\s,(])(--?[a-z][a-z0-9-]*)"));
    for (const QString &program : {QStringLiteral("mergola"), QStringLiteral("mergola-cli")}) {
        const QString page = prefix(QStringLiteral("share/man/man1/%1.1").arg(program));
        const Outcome rendered = run(QStringLiteral("man"), {QStringLiteral("--warnings"), QStringLiteral("-l"), page},
                                     environment);
        EXPECT_EQ(rendered.exitCode, 0) << program.toStdString();
        EXPECT_EQ(rendered.err, QByteArray()) << program.toStdString();
        EXPECT_TRUE(rendered.out.startsWith(program.toUpper().toUtf8())) << rendered.out.left(80).toStdString();

        // Every option that --help names is in the page, written as roff writes a minus.
        const Outcome help = run(prefix(QStringLiteral("bin/") + program), {QStringLiteral("--help")}, environment);
        ASSERT_EQ(help.exitCode, 0) << help.err.toStdString();
        const QString source = QString::fromUtf8(contentOf(page));
        int options = 0;
        for (const QRegularExpressionMatch &match : option.globalMatch(QString::fromUtf8(help.out))) {
            ++options;
            const QString written = match.captured(1).replace(QLatin1Char('-'), QStringLiteral("\\-"));
            EXPECT_TRUE(source.contains(written)) << program.toStdString() << ": " << written.toStdString();
        }
        EXPECT_GE(options, 4) << program.toStdString();
    }
}

TEST_F(InstalledCopy, TheUninstallTakesAwayEveryInstalledFileAndMergolasOwnFolders)
{
    QTemporaryDir other;
    const QString otherPrefix = other.filePath(QStringLiteral("prefix"));
    const QString manifest = other.filePath(QStringLiteral("manifest.txt"));
    ASSERT_TRUE(install(otherPrefix, manifest));
    const QStringList installed = QString::fromUtf8(contentOf(manifest)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const char *file : {"bin/mergola", "bin/mergola-cli", "share/mergola/help.htm", "share/mergola/help/slot1.png",
                             "share/man/man1/mergola-cli.1"})
        EXPECT_TRUE(installed.contains(otherPrefix + QLatin1Char('/') + QLatin1String(file))) << file;
    const QString converter = otherPrefix + QStringLiteral("/bin/" MERGOLA_LIBRARY_FROM_BIN "/libbmp2jpeg.so");
    EXPECT_TRUE(installed.contains(QDir::cleanPath(converter)));

    const Outcome removed = run(QStringLiteral(MERGOLA_CMAKE),
                                {QStringLiteral("-P"), QStringLiteral(MERGOLA_SOURCE_DIR "/cmake/uninstall.cmake"),
                                 manifest});
    ASSERT_EQ(removed.exitCode, 0) << removed.err.toStdString();
    QStringList left = filesUnder(otherPrefix);
    // The desktop's cache of file types, brought up to date, may stay.
    left.removeAll(QStringLiteral("share/applications/mimeinfo.cache"));
    EXPECT_EQ(left, QStringList());
    EXPECT_FALSE(QFileInfo::exists(otherPrefix + QStringLiteral("/share/mergola")));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(converter).absolutePath()));
}

TEST_F(InstalledCopy, RunsAsAnUnprivilegedUserWithItsSettingsInItsConfigFolderAndNoTemporaryFileLeft)
{
    VirtualScreen screen;
    if (!screen.start())
        GTEST_SKIP() << "Xvfb is not available here, so the real window cannot be started";
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "xdotool is not installed, so the dialogs cannot be used";

    // The user's home, with settings typed by hand at another working size.
    QTemporaryDir homeDir;
    const QDir home(homeDir.path());
    for (const char *folder : {"config/Mergola", "tmp", "runtime"})
        ASSERT_TRUE(home.mkpath(QLatin1String(folder)));
    // Qt wants the runtime folder private, or makes one of its own in TMPDIR.
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeFile(home.filePath(QStringLiteral("config/Mergola")), QStringLiteral("Mergola.ini"), "640 , 480\r\n90\r\n");
    for (const char *picture : {"picture.webp", "picture.png"})
        ASSERT_TRUE(QFile::copy(dataFile(picture), home.filePath(QLatin1String(picture))));
    QProcessEnvironment environment = screen.environment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("TMPDIR"), home.filePath(QStringLiteral("tmp")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));

    QString program = prefix(QStringLiteral("bin/mergola"));
    QStringList arguments{home.filePath(QStringLiteral("picture.webp"))};
    if (::geteuid() == 0) {
        // Root would be let into every folder; an ordinary user is not.
        const passwd *nobody = ::getpwnam("nobody");
        ASSERT_NE(nobody, nullptr);
        QDirIterator it(home.path(), QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        ASSERT_EQ(::chown(QFile::encodeName(home.path()).constData(), nobody->pw_uid, nobody->pw_gid), 0);
        while (it.hasNext())
            ASSERT_EQ(::chown(QFile::encodeName(it.next()).constData(), nobody->pw_uid, nobody->pw_gid), 0);
        arguments.prepend(program);
        arguments = QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                                QStringLiteral("--clear-groups"), QStringLiteral("--")} + arguments;
        program = QStringLiteral("setpriv");
    }
    QProcess mergola;
    mergola.setProcessEnvironment(environment);
    mergola.setWorkingDirectory(home.path());
    mergola.start(program, arguments);
    ASSERT_TRUE(mergola.waitForStarted(5000));

    // The window opens centred on the screen, so its controls lie at known pixels.
    constexpr QPoint kCorner((1024 - 784) / 2, (768 - 542) / 2);
    const QRect slotAreas[] = {{kCorner + QPoint(17, 16), QSize(320, 240)},
                               {kCorner + QPoint(17, 286), QSize(320, 240)}};
    constexpr QPoint kSaveKnop = kCorner + QPoint(436 + 10 + 25, 268 + 16 + 11);
    constexpr QPoint kExitKnop = kCorner + QPoint(620 + 82 + 33, 356 + 148 + 11);
    mergola::Picture expected(320, 240, qRgb(255, 255, 255));
    expected.drawStretched(mergola::decodePictureFile(dataFile("picture.bmp")).image, QRect(0, 0, 320, 240));
    const QString shot = homeDir.filePath(QStringLiteral("screen.png"));
    auto waitFor = [&](const std::function<bool()> &done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < kWindowTimeoutMs && mergola.state() == QProcess::Running)
            QThread::msleep(200);
        return done();
    };
    auto slotShows = [&](int slot) { return screen.screenshot(shot).copy(slotAreas[slot]) == expected.image(); };
    auto click = [&](QPoint at) {
        return screen.xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                               QStringLiteral("click"), QStringLiteral("1")});
    };
    // Types a full path into the file dialog of that title, once it is there.
    auto answerDialog = [&](const char *title, const QString &path) {
        if (!screen.xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                             QStringLiteral("--name"), QStringLiteral("^%1$").arg(QLatin1String(title))}))
            return false;
        QThread::msleep(500); // until the file name box has the keyboard
        return screen.xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), path}) &&
               screen.xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    };

    EXPECT_TRUE(waitFor([&] { return slotShows(0); })) << "the WebP of the command line, as its BMP shows: "
                                                       << mergola.readAllStandardError().toStdString();
    ASSERT_TRUE(click(slotAreas[1].center()));
    ASSERT_TRUE(answerDialog("Open", home.filePath(QStringLiteral("picture.png"))));
    EXPECT_TRUE(waitFor([&] { return slotShows(1); })) << "the PNG of the open dialog, as its BMP shows";

    const QString jpg = home.filePath(QStringLiteral("saved.jpg"));
    ASSERT_TRUE(click(kSaveKnop));
    QThread::msleep(500);
    ASSERT_TRUE(screen.xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Return")}));
    ASSERT_TRUE(answerDialog("Save As", jpg));
    EXPECT_TRUE(waitFor([&] { return QImage(jpg).size() == QSize(640, 480); })) << "the working size of the settings";
    EXPECT_TRUE(click(kExitKnop));
    EXPECT_TRUE(mergola.waitForFinished(kWindowTimeoutMs));
    EXPECT_EQ(mergola.exitCode(), 0) << mergola.readAllStandardError().toStdString();

    EXPECT_EQ(contentOf(home.filePath(QStringLiteral("config/Mergola/Mergola.ini"))), QByteArray("640,480\r\n90\r\n"));
    EXPECT_EQ(filesUnder(home.filePath(QStringLiteral("tmp"))), QStringList()) << "the temporary BMP is gone";
    EXPECT_TRUE(QDir(home.filePath(QStringLiteral("tmp"))).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot))
        << "and so is its folder";
    EXPECT_EQ(filesUnder(prefix(QStringLiteral("bin"))), (QStringList{"mergola", "mergola-cli"}))
        << "nothing written beside the installed program";
}
