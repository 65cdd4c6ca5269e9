#include "shell/settings.h"

#include "support/test_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>

using namespace mergola;
using namespace mergola::testing;

namespace {

// Whether reading a file of this content succeeds, and what it gives.
std::pair<bool, Settings> readFrom(const QByteArray &content)
{
    QTemporaryDir dir;
    Settings settings;
    const bool ok = readSettingsFile(writeFile(dir.path(), QStringLiteral("Mergola.ini"), content), settings);
    return {ok, settings};
}

} // namespace

TEST(SettingsFile, ReadsWhatPeopleTypeByHandAndKeepsWhatWasReadBeforeABadValue)
{
    const struct {
        QByteArray content;
        bool ok;
        int width, height, quality;
    } cases[] = {
        {"800,600\r\n90\r\n", true, 800, 600, 90},
        {"800 , 600\r\n 90 \r\n", true, 800, 600, 90},
        {"640,480\n55\n", true, 640, 480, 55},
        {"0,0\r\n0\r\n", true, 0, 0, 0},               // the resize dialog allows 0
        {"9999,9999\r\n99\r\nrest\r\n", true, 9999, 9999, 99},
        {"640.5,481.5\r\n2.5\r\n", true, 640, 482, 2}, // fractions: halves to even
        // A bad value: what was read before it stays, the defaults after it.
        {"", false, 320, 240, 75},
        {"640,480", false, 640, 480, 75},
        {"-5,480\r\n75\r\n", false, 320, 240, 75},
        {"10000,480\r\n75\r\n", false, 320, 240, 75},
        {"640,99999999999999999999\r\n75\r\n", false, 640, 240, 75},
        {"640,480\r\n100\r\n", false, 640, 480, 75},
        {"640,abc\r\n75\r\n", false, 640, 240, 75},
        {"1e3,480\r\n75\r\n", false, 320, 240, 75}, // no exponents
        {QByteArray("\x00\xff\x13\x37garbage\x01", 12), false, 320, 240, 75},
    };
    for (const auto &c : cases) {
        const auto [ok, s] = readFrom(c.content);
        EXPECT_EQ(ok, c.ok) << c.content.toStdString();
        EXPECT_EQ((std::array{s.resultWidth, s.resultHeight, s.jpgQuality}), (std::array{c.width, c.height, c.quality}))
            << c.content.toStdString();
    }
}

TEST(SettingsFile, AFailedReadAtStartUpRewritesTheFileFromTheValuesInEffect)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir.path(), QStringLiteral("Mergola.ini"), "640,480");
    Settings settings;
    loadSettingsAtStartup(path, settings);
    EXPECT_EQ(contentsOf(path), QByteArray("640,480\r\n75\r\n"));
}

TEST(SettingsFile, WritingReplacesTheFileWholeMakesItsFolderAndReportsAFileInTheWay)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Mergola.ini"));
    ASSERT_TRUE(writeSettingsFile(path, Settings{1024, 768, 5}));
    EXPECT_EQ(contentsOf(path), QByteArray("1024,768\r\n5\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file is left beside it";

    // An installed copy's first start: its folder in the configuration folder is made.
    const QString fresh = dir.filePath(QStringLiteral("config/Mergola/Mergola.ini"));
    ASSERT_TRUE(writeSettingsFile(fresh, Settings{}));
    EXPECT_EQ(contentsOf(fresh), QByteArray("320,240\r\n75\r\n"));
    EXPECT_FALSE(writeSettingsFile(path + QStringLiteral("/Mergola.ini"), Settings{})) << "a file is in the way";
}
