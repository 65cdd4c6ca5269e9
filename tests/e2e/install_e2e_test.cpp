// Installs Mergola into a temporary prefix as a user would with
// `cmake --install`, checks the installed files with their own tools,
// removes them again, and runs the installed window.
#include "platform/image_file.h"
#include "platform/picture.h"
#include "support/test_files.h"
#include "support/virtual_screen.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <gtest/gtest.h>


using mergola::testing::contentsOf;
using mergola::testing::waitUntil;
using mergola::testing::writeFile;

namespace {

const QString kAppId = QStringLiteral("example.mergola.Mergola");
constexpr int kTimeoutMs = 60'000;
constexpr int kShowMs = kTimeoutMs / 3; // for the window to show what it was asked

struct Outcome {
    int exitCode = -1;
    QByteArray out, err;
};

Outcome run(const QString &program, const QStringList &arguments,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(kTimeoutMs) && process.exitStatus() == QProcess::NormalExit;
    return {finished ? process.exitCode() : -1, process.readAllStandardOutput(), process.readAllStandardError()};
}

// A prefix of its own for each test, readable by everyone as a prefix is.
class InstalledCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::setPermissions(root.path(), QFile::permissions(root.path()) | QFile::ReadOther | QFile::ExeOther);
        // CMake leaves its list of installed files in the build folder, where
        // a developer's own `uninstall` would take it for theirs: it moves to
        // the test's folder, and the build folder gets back what it held.
        // The tests that install hold a lock on that file.
        const QString list = MERGOLA_BUILD_DIR "/install_manifest.txt";
        const bool hadOne = QFile::exists(list);
        const QByteArray before = contentsOf(list);
        const Outcome installed = run(MERGOLA_CMAKE, {"--install", MERGOLA_BUILD_DIR, "--prefix", prefix()});
        ASSERT_EQ(installed.exitCode, 0) << installed.err.toStdString();
        ASSERT_TRUE(QFile::copy(list, manifest) && QFile::remove(list));
        if (hadOne)
            writeFile(QDir(MERGOLA_BUILD_DIR), QStringLiteral("install_manifest.txt"), before);
    }

    QString prefix(const QString &relative = {}) const { return root.filePath("prefix/" + relative); }

    QTemporaryDir root;
    const QString manifest = root.filePath(QStringLiteral("manifest.txt"));
};

} // namespace

TEST_F(InstalledCopy, DesktopEntryAndMetainfoPassTheirOwnChecks)
{
    for (const char *tool : {"desktop-file-validate", "appstreamcli"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " is not installed (scripts/setup.sh installs it)";
    const QString entry = prefix("share/applications/" + kAppId + ".desktop");
    const Outcome desktop = run("desktop-file-validate", {entry});
    EXPECT_EQ(desktop.exitCode, 0);
    EXPECT_EQ(desktop.out + desktop.err, QByteArray()) << "not even a hint";
    const QString exec = QStringLiteral("\nExec=\"%1\" %F\n").arg(prefix("bin/mergola"));
    EXPECT_TRUE(contentsOf(entry).contains(exec.toUtf8())) << "the menu starts this prefix's program with the files";
    const QString metainfoFile = prefix("share/metainfo/" + kAppId + ".metainfo.xml");
    const Outcome metainfo = run("appstreamcli", {"validate", "--no-net", metainfoFile});
    EXPECT_EQ(metainfo.exitCode, 0) << metainfo.out.toStdString();
    EXPECT_EQ(QImage(prefix("share/icons/hicolor/48x48/apps/" + kAppId + ".png")).size(), QSize(48, 48));
}

TEST_F(InstalledCopy, TheUninstallTakesAwayEveryInstalledFileAndMergolasOwnFolders)
{
    const QString converter = QDir::cleanPath(prefix("bin/" MERGOLA_LIBRARY_FROM_BIN "/libbmp2jpeg.so"));
    const QStringList installed = QString::fromUtf8(contentsOf(manifest)).split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(installed.contains(converter) && installed.contains(prefix("share/mergola/help.htm")));

    const Outcome removed = run(MERGOLA_CMAKE, {"-P", MERGOLA_SOURCE_DIR "/cmake/uninstall.cmake", manifest});
    ASSERT_EQ(removed.exitCode, 0) << removed.err.toStdString();
    QStringList left;
    for (QDirIterator it(prefix(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        left << QDir(prefix()).relativeFilePath(it.next());
    left.removeAll("share/applications/mimeinfo.cache"); // the desktop's file-type cache, brought up to date
    EXPECT_EQ(left, QStringList());
    EXPECT_FALSE(QFileInfo::exists(prefix("share/mergola")));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(converter).absolutePath()));
}

TEST_F(InstalledCopy, RunsWithItsSettingsInTheUsersConfigFolderAndLeavesNoTemporaryFile)
{
    mergola::testing::VirtualScreen screen;
    if (!screen.start() || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "Xvfb or xdotool is missing, so the real window cannot be used";

    // The user's home, with settings typed by hand at another working size.
    QTemporaryDir homeDir;
    const QDir home(homeDir.path());
    for (const char *folder : {"config/Mergola", "tmp", "runtime"})
        ASSERT_TRUE(home.mkpath(folder));
    // Qt wants the runtime folder private, or makes one of its own in TMPDIR.
    QFile::setPermissions(home.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeFile(home.filePath("config/Mergola"), "Mergola.ini", "640 , 480\r\n90\r\n");
    ASSERT_TRUE(QFile::copy(MERGOLA_TEST_DATA "/picture.webp", home.filePath("picture.webp")));
    QProcessEnvironment environment = screen.environment();
    for (const auto &[name, folder] : {std::pair{"HOME", ""}, {"XDG_CONFIG_HOME", "config"}, {"TMPDIR", "tmp"},
                                       {"XDG_RUNTIME_DIR", "runtime"}})
        environment.insert(name, home.filePath(folder));

    QProcess mergola;
    mergola.setProcessEnvironment(environment);
    mergola.setWorkingDirectory(home.path());
    mergola.start(prefix("bin/mergola"), {home.filePath("picture.webp")});
    ASSERT_TRUE(mergola.waitForStarted(kTimeoutMs));

    constexpr QPoint kCorner = mergola::testing::VirtualScreen::kWindowCorner;
    constexpr QPoint kSaveKnop = kCorner + QPoint(436 + 10 + 25, 268 + 16 + 11);
    constexpr QPoint kExitKnop = kCorner + QPoint(620 + 82 + 33, 356 + 148 + 11);
    mergola::Picture expected(320, 240, qRgb(255, 255, 255));
    expected.drawStretched(mergola::decodePictureFile(MERGOLA_TEST_DATA "/picture.bmp").image, QRect(0, 0, 320, 240));
    const QRect slot1(kCorner + QPoint(17, 16), QSize(320, 240));
    const auto slot1Shows = [&] {
        return screen.screenshot(home.filePath("screen.png")).copy(slot1) == expected.image();
    };
    EXPECT_TRUE(waitUntil(slot1Shows, kShowMs))
        << "the WebP of the command line, as its BMP shows: " << mergola.readAllStandardError().toStdString();

    // Through the real save dialog: its JPG entry, then the path typed once the dialog has the keyboard.
    const QString jpg = home.filePath("saved.jpg");
    ASSERT_TRUE(screen.click(kSaveKnop));
    ASSERT_TRUE(waitUntil([&] { return screen.windowsShown("mergola") == 2; }, kShowMs)) << "the pop-up menu";
    ASSERT_TRUE(screen.xdotool({"key", "Down", "Return"})); // "JPG  Picture"
    ASSERT_TRUE(screen.waitForKeyboardIn("^Save As$"));
    ASSERT_TRUE(screen.xdotool({"type", "--delay", "20", jpg}) && screen.xdotool({"key", "Return"}));
    EXPECT_TRUE(waitUntil([&] { return QImage(jpg).size() == QSize(640, 480); }, kShowMs))
        << "the working size of the settings";
    EXPECT_TRUE(screen.click(kExitKnop));
    EXPECT_TRUE(mergola.waitForFinished(kTimeoutMs));
    EXPECT_EQ(mergola.exitCode(), 0) << mergola.readAllStandardError().toStdString();

    EXPECT_EQ(contentsOf(home.filePath("config/Mergola/Mergola.ini")), QByteArray("640,480\r\n90\r\n"));
    EXPECT_TRUE(QDir(home.filePath("tmp")).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        << "the temporary BMP and its folder are gone";
    EXPECT_EQ(QDir(prefix("bin")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"mergola", "mergola-cli"})) << "nothing beside the program";
}
