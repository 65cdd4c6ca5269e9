#include "platform/program_files.h"

#include "support/test_files.h"
#include "support/test_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mergola;
using namespace mergola::testing;

TEST(ProgramFiles, APortableCopyKeepsEverythingBesideTheProgram)
{
    QTemporaryDir unpacked;
    const QString dir = unpacked.path();
    writeFile(dir, QStringLiteral("help.htm"), "<p>help</p>");
    const ProgramFiles files = locateProgramFiles(dir);
    EXPECT_FALSE(files.installed);
    EXPECT_EQ(files.settingsFile, dir + QStringLiteral("/Mergola.ini"));
    EXPECT_EQ(files.screenCastToken, dir + QStringLiteral("/Mergola-screencast.token"));
    EXPECT_EQ(files.helpPage, dir + QStringLiteral("/help.htm"));
    EXPECT_EQ(files.converterDir, dir);
    // Two windows of this copy saving at once each write a mydummy.bmp of their own beside the program.
    const TemporaryFolder first(files);
    const TemporaryFolder second(files);
    EXPECT_EQ(QFileInfo(first.path()).absolutePath(), dir);
    EXPECT_EQ(QFileInfo(second.path()).absolutePath(), dir);
    EXPECT_NE(first.path(), second.path());
}

TEST(ProgramFiles, AnInstalledCopyUsesItsPrefixAndTheUsersOwnFolders)
{
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    const QString share = QDir::cleanPath(bin + QStringLiteral("/" MERGOLA_DATA_FROM_BIN));
    const QString lib = QDir::cleanPath(bin + QStringLiteral("/" MERGOLA_LIBRARY_FROM_BIN));
    for (const QString &dir : {bin, share, lib})
        QDir().mkpath(dir);
    writeFile(share, QStringLiteral("help.htm"), "<p>help</p>");
    QTemporaryDir home;
    const ScopedVariable config("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")));
    const ScopedVariable temporary("TMPDIR", home.path());
    const ProgramFiles files = locateProgramFiles(bin);
    EXPECT_TRUE(files.installed);
    EXPECT_EQ(files.settingsFile, home.filePath(QStringLiteral("config/Mergola/Mergola.ini")));
    EXPECT_EQ(files.screenCastToken, home.filePath(QStringLiteral("config/Mergola/Mergola-screencast.token")));
    EXPECT_EQ(files.helpPage, share + QStringLiteral("/help.htm"));
    EXPECT_EQ(files.converterDir, lib);

    // Saving's own tests see the folder removed whatever happens.
    const TemporaryFolder folder(files);
    ASSERT_TRUE(folder.isValid()) << folder.errorString().toStdString();
    EXPECT_EQ(QFileInfo(folder.path()).absolutePath(), home.path());
    constexpr QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                          QFile::WriteOther | QFile::ExeOther;
    EXPECT_FALSE(QFileInfo(folder.path()).permissions() & others) << "nobody but the user may enter";
    EXPECT_NE(TemporaryFolder(files).path(), folder.path()) << "a new name each time";
}

TEST(ProgramFiles, AProgramFolderThatCannotBeWrittenCountsAsInstalled)
{
    UnwritableFolder unpacked;
    if (!unpacked.usable())
        GTEST_SKIP() << "no unwritable folder to be had: " << unpacked.why().toStdString();
    ASSERT_FALSE(writeFile(unpacked.path(), QStringLiteral("help.htm"), "<p>help</p>").isEmpty());
    ASSERT_TRUE(unpacked.lock());
    const ProgramFiles files = locateProgramFiles(unpacked.path());
    EXPECT_TRUE(files.installed);
    EXPECT_EQ(files.helpPage, unpacked.path() + QStringLiteral("/help.htm"));
    EXPECT_EQ(files.converterDir, unpacked.path());
    EXPECT_TRUE(files.temporaryDir.isEmpty());
}
