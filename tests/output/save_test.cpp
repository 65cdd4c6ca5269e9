#include "output/save.h"

#include "platform/image_file.h"

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
        saveResultAsJpg(pict, quality, portableProgramFiles(programDir.isEmpty() ? program.path() : programDir),
                        dialogs, messages);
    }
    void png(const Picture &pict, const QString &answer)
    {
        dialogs.answers = {answer};
        saveResultAsPng(pict, dialogs, messages);
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
    png(Picture(0, 0, qRgb(255, 255, 255)), target("leeg.png"));
    EXPECT_EQ(messages.shown, (QStringList{kBmpSaveFailed, kJpgSaveFailed, kPngSaveFailed}));
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
    png(randomPicture(8, 8, 1), folder.path() + QStringLiteral("/x.png"));
    EXPECT_EQ(messages.shown, (QStringList{kBmpSaveFailed, kJpgSaveFailed, kJpgSaveFailed, kPngSaveFailed}));
    EXPECT_TRUE(entriesOf(folder.path()).isEmpty());
    EXPECT_EQ(entriesOf(locked.path()), kOnlyTheLibrary);
    EXPECT_TRUE(entriesOf(targetDir.path()).isEmpty());
    EXPECT_EQ(entriesOf(program.path()), kOnlyTheLibrary);
}

TEST_F(Save, ATargetThatVanishesOrTurnsIntoAFolderBeforeTheWriteIsReported)
{
    const Picture pict = randomPicture(7, 5, 3);
    // Between the dialog and the write the name became a folder, or the
    // folder it was in went away.
    ASSERT_TRUE(QDir().mkpath(target("now-a-folder.bmp")));
    ASSERT_TRUE(QDir().mkpath(target("now-a-folder.jpg")));
    bmp(pict, target("now-a-folder.bmp"));
    jpg(pict, target("now-a-folder.jpg"));
    bmp(pict, target("gone/picture.bmp"));
    jpg(pict, target("gone/picture.jpg"));
    EXPECT_EQ(messages.shown, QStringList({kBmpSaveFailed, kJpgSaveFailed, kBmpSaveFailed, kJpgSaveFailed}));

    // The JPG's folder is removed while the converter runs.
    QTemporaryDir vanishing;
    ASSERT_TRUE(copyConverter(QStringLiteral(MERGOLA_TEST_VANISHING_FOLDER_DIR), vanishing.path()));
    ASSERT_TRUE(QDir().mkpath(target("going")));
    jpg(pict, target("going/picture.jpg"), 75, vanishing.path());
    EXPECT_EQ(messages.shown.last(), kJpgSaveFailed);
    EXPECT_EQ(QDir(vanishing.path()).entryList(QDir::Files), kOnlyTheLibrary) << "the temporary BMP is gone";
    EXPECT_EQ(QDir(program.path()).entryList(QDir::Files), kOnlyTheLibrary);
}

TEST_F(Save, AnInstalledCopyWritesTheTemporaryBmpIntoAPrivateFolderAndRemovesItWhateverHappens)
{
    QTemporaryDir temporary;
    const ScopedVariable tmpdir("TMPDIR", temporary.path());
    ProgramFiles installed;
    installed.installed = true;
    for (const QString &converter : {program.path(), noEntryPointConverterDir()}) {
        installed.converterDir = converter;
        dialogs.answers = {target("installed.jpg")};
        saveResultAsJpg(randomPicture(8, 8, 1), 75, installed, dialogs, messages);
        EXPECT_TRUE(entriesOf(temporary.path()).isEmpty()) << converter.toStdString();
    }
    EXPECT_EQ(messages.shown, QStringList{kJpgSaveFailed}) << "only the converter without its entry point fails";
    EXPECT_EQ(decodePictureFile(target("installed.jpg")).image.size(), QSize(8, 8));
    EXPECT_EQ(entriesOf(program.path()), kOnlyTheLibrary) << "nothing beside the program";
}
