#include "output/save.h"

#include "output/jpeg_converter.h"
#include "output_test_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mergola;
using namespace mergola::testing;

namespace {

const QString kLibrary = QString::fromLatin1(kConverterLibraryFileName);
const QStringList kOnlyTheLibrary{kLibrary};

bool copyConverter(const QString &fromDir, const QString &toDir)
{
    return QFile::copy(QDir(fromDir).filePath(kLibrary), QDir(toDir).filePath(kLibrary));
}

// A program folder as the window has it, with the converter library
// inside, and a folder to save into.
class Save : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(copyConverter(converterDir(), program.path())); }

    // Saves under the name the dialog answers; "" is a cancel.
    void bmp(const Picture &pict, const QString &answer)
    {
        dialogs.answers = {answer};
        saveResultAsBmp(pict, dialogs, messages);
    }
    void jpg(const Picture &pict, const QString &answer, int quality = 75, const QString &programDir = {})
    {
        dialogs.answers = {answer};
        saveResultAsJpg(pict, quality, programDir.isEmpty() ? program.path() : programDir, dialogs, messages);
    }
    QString target(const char *name) const { return targetDir.filePath(QString::fromUtf8(name)); }

    QTemporaryDir program;
    QTemporaryDir targetDir;
    FakeFileDialogs dialogs;
    FakeMessageBox messages;
};

} // namespace

TEST_F(Save, APictureWithoutPixelsOrAMissingBrokenOrMisbehavingConverterIsReportedAndLeavesNoFiles)
{
    bmp(Picture(0, 240, qRgb(255, 255, 255)), target("leeg.bmp"));
    jpg(Picture(320, 0, qRgb(255, 255, 255)), target("leeg.jpg"));
    EXPECT_EQ(messages.shown, (QStringList{QStringLiteral("Fout bij het saven naar BMP!"),
                                           QStringLiteral("Fout bij het saven naar JPG!")}));
    for (const QString &converter : {QString(), noEntryPointConverterDir(), emptyOutputConverterDir()}) {
        QTemporaryDir otherProgram;
        ASSERT_TRUE(converter.isEmpty() || copyConverter(converter, otherProgram.path()));
        messages.shown.clear();
        jpg(randomPicture(8, 8, 1), target("x.jpg"), 75, otherProgram.path());
        EXPECT_EQ(messages.shown, QStringList{kJpgSaveFailed}) << converter.toStdString();
        EXPECT_EQ(entriesOf(otherProgram.path()), converter.isEmpty() ? QStringList() : kOnlyTheLibrary)
            << "no temporary BMP left behind";
    }
    EXPECT_TRUE(entriesOf(targetDir.path()).isEmpty()) << "no file, not even an empty one";
    EXPECT_EQ(entriesOf(program.path()), kOnlyTheLibrary);
}

TEST_F(Save, TargetAndProgramFoldersThatCannotBeWrittenAreReported)
{
    UnwritableFolder folder;
    UnwritableFolder locked;
    if (!folder.usable() || !locked.usable())
        GTEST_SKIP() << "no unwritable folder to be had: " << folder.why().toStdString();
    ASSERT_TRUE(copyConverter(converterDir(), locked.path()));
    ASSERT_TRUE(folder.lock() && locked.lock());
    bmp(randomPicture(8, 8, 1), folder.path() + QStringLiteral("/x.bmp"));
    jpg(randomPicture(8, 8, 1), folder.path() + QStringLiteral("/x.jpg"));
    jpg(randomPicture(8, 8, 1), target("x.jpg"), 75, locked.path()); // no room for the temporary BMP
    EXPECT_EQ(messages.shown, (QStringList{kBmpSaveFailed, kJpgSaveFailed, kJpgSaveFailed}));
    EXPECT_TRUE(entriesOf(folder.path()).isEmpty());
    EXPECT_EQ(entriesOf(locked.path()), kOnlyTheLibrary);
    EXPECT_TRUE(entriesOf(targetDir.path()).isEmpty());
    EXPECT_EQ(entriesOf(program.path()), kOnlyTheLibrary);
}
