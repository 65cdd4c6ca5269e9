#include "output/save.h"

#include "output/jpeg_converter.h"
#include "output_test_support.h"
#include "platform/image_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mergola;
using namespace mergola::testing;

namespace {

// A program folder as the window has it: the converter library inside.
struct ProgramFolder {
    QTemporaryDir dir;
    ProgramFolder()
    {
        const QString library = QString::fromLatin1(kConverterLibraryFileName);
        EXPECT_TRUE(QFile::copy(QDir(converterDir()).filePath(library), dir.filePath(library)));
    }
    QString path() const { return dir.path(); }
    QStringList entries() const { return entriesOf(dir.path()); }
};

const QStringList kOnlyTheLibrary{QString::fromLatin1(kConverterLibraryFileName)};

} // namespace

TEST(Save, CancellingEitherDialogWritesNothingAndSaysNothing)
{
    ProgramFolder program;
    FakeDialogs dialogs; // answers "" like a cancelled dialog
    FakeMessages messages;
    saveResultAsBmp(scrambled(4, 4), dialogs, messages);
    saveResultAsJpg(scrambled(4, 4), 75, program.path(), dialogs, messages);
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(program.entries(), kOnlyTheLibrary);
    EXPECT_EQ(dialogs.openCalls, 0);
}

TEST(Save, AsksWithTheExactFilterTextsAndWritesUnderExactlyTheNameGiven)
{
    ProgramFolder program;
    QTemporaryDir target;
    FakeDialogs dialogs;
    FakeMessages messages;
    const Picture stacked = scrambled(320, 480); // a picture combined one under the other

    dialogs.answer = target.filePath(QStringLiteral("zonder extensie"));
    saveResultAsBmp(stacked, dialogs, messages);
    dialogs.answer = target.filePath(QStringLiteral("Foto"));
    saveResultAsJpg(stacked, 75, program.path(), dialogs, messages);

    EXPECT_EQ(dialogs.saveFilters,
              (QStringList{QStringLiteral("Bitmap format (*.bmp)|*.bmp"), QStringLiteral("Jpg format (*.jpg)|*.jpg")}));
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(QLatin1Char('/')).toStdString();
    EXPECT_EQ(entriesOf(target.path()), (QStringList{QStringLiteral("Foto"), QStringLiteral("zonder extensie")}));

    const QImage bmp = decodePictureFile(target.filePath(QStringLiteral("zonder extensie"))).image;
    ASSERT_EQ(bmp.size(), QSize(320, 480)) << "the whole picture, not its display";
    EXPECT_EQ(bmp.pixel(319, 479) & 0xFFFFFF, stacked.pixel(319, 479) & 0xFFFFFF);
    EXPECT_EQ(decodePictureFile(target.filePath(QStringLiteral("Foto"))).image.size(), QSize(320, 480));
    EXPECT_EQ(program.entries(), kOnlyTheLibrary) << "the temporary BMP is gone";
}

TEST(Save, JpgQualityFromTheBoxReachesTheConverter)
{
    ProgramFolder program;
    QTemporaryDir target;
    FakeDialogs dialogs;
    FakeMessages messages;
    const Picture picture = scrambled(64, 64);
    dialogs.answer = target.filePath(QStringLiteral("q0.jpg"));
    saveResultAsJpg(picture, 0, program.path(), dialogs, messages);
    dialogs.answer = target.filePath(QStringLiteral("q99.jpg"));
    saveResultAsJpg(picture, 99, program.path(), dialogs, messages);
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_LT(QFileInfo(target.filePath(QStringLiteral("q0.jpg"))).size(),
              QFileInfo(target.filePath(QStringLiteral("q99.jpg"))).size());
}

TEST(Save, AnOldTemporaryFileInTheProgramFolderIsReplacedAndRemoved)
{
    ProgramFolder program;
    QTemporaryDir target;
    {
        QFile stale(program.dir.filePath(QStringLiteral("mydummy.bmp")));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("left over from a crash");
    }
    FakeDialogs dialogs;
    FakeMessages messages;
    dialogs.answer = target.filePath(QStringLiteral("a.jpg"));
    saveResultAsJpg(scrambled(8, 8), 75, program.path(), dialogs, messages);
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(decodePictureFile(dialogs.answer).image.size(), QSize(8, 8));
    EXPECT_EQ(program.entries(), kOnlyTheLibrary);
}

TEST(Save, APictureWithoutPixelsIsReportedNotSavedInSilence)
{
    ProgramFolder program;
    QTemporaryDir target;
    FakeDialogs dialogs;
    FakeMessages messages;
    dialogs.answer = target.filePath(QStringLiteral("leeg.bmp"));
    saveResultAsBmp(Picture(0, 240, qRgb(255, 255, 255)), dialogs, messages);
    dialogs.answer = target.filePath(QStringLiteral("leeg.jpg"));
    saveResultAsJpg(Picture(320, 0, qRgb(255, 255, 255)), 75, program.path(), dialogs, messages);
    EXPECT_EQ(messages.shown, (QStringList{kBmpSaveFailed, kJpgSaveFailed}));
    EXPECT_EQ(messages.shown.last(), QStringLiteral("Fout bij het saven naar JPG!"));
    EXPECT_TRUE(entriesOf(target.path()).isEmpty());
    EXPECT_EQ(program.entries(), kOnlyTheLibrary);
}

TEST(Save, AMissingBrokenOrMisbehavingConverterIsReportedAndLeavesNoFiles)
{
    QTemporaryDir emptyProgram;
    QTemporaryDir target;
    FakeDialogs dialogs;
    FakeMessages messages;
    dialogs.answer = target.filePath(QStringLiteral("x.jpg"));
    saveResultAsJpg(scrambled(8, 8), 75, emptyProgram.path(), dialogs, messages);
    EXPECT_EQ(messages.shown, QStringList{kJpgSaveFailed});
    EXPECT_TRUE(entriesOf(emptyProgram.path()).isEmpty()) << "no temporary BMP left behind";

    QTemporaryDir brokenProgram;
    const QString library = QString::fromLatin1(kConverterLibraryFileName);
    ASSERT_TRUE(QFile::copy(QDir(noEntryPointConverterDir()).filePath(library), brokenProgram.filePath(library)));
    saveResultAsJpg(scrambled(8, 8), 75, brokenProgram.path(), dialogs, messages);
    EXPECT_EQ(messages.shown, (QStringList{kJpgSaveFailed, kJpgSaveFailed}));
    EXPECT_EQ(entriesOf(brokenProgram.path()), QStringList{library});
    EXPECT_TRUE(entriesOf(target.path()).isEmpty());

    QTemporaryDir emptyOutputProgram;
    ASSERT_TRUE(QFile::copy(QDir(emptyOutputConverterDir()).filePath(library), emptyOutputProgram.filePath(library)));
    saveResultAsJpg(scrambled(8, 8), 75, emptyOutputProgram.path(), dialogs, messages);
    EXPECT_EQ(messages.shown, (QStringList{kJpgSaveFailed, kJpgSaveFailed, kJpgSaveFailed}));
    EXPECT_EQ(entriesOf(emptyOutputProgram.path()), QStringList{library});
    EXPECT_TRUE(entriesOf(target.path()).isEmpty()) << "the empty JPG is not left behind";
}

TEST(Save, ATargetFolderThatCannotBeWrittenIsReported)
{
    UnwritableFolder folder;
    if (!folder.usable())
        GTEST_SKIP() << "no unwritable folder to be had: " << folder.why().toStdString();
    ASSERT_TRUE(folder.lock());
    ProgramFolder program;
    FakeDialogs dialogs;
    FakeMessages messages;
    dialogs.answer = folder.path() + QStringLiteral("/x.bmp");
    saveResultAsBmp(scrambled(8, 8), dialogs, messages);
    dialogs.answer = folder.path() + QStringLiteral("/x.jpg");
    saveResultAsJpg(scrambled(8, 8), 75, program.path(), dialogs, messages);
    EXPECT_EQ(messages.shown, (QStringList{kBmpSaveFailed, kJpgSaveFailed}));
    EXPECT_TRUE(entriesOf(folder.path()).isEmpty());
    EXPECT_EQ(program.entries(), kOnlyTheLibrary);
}

TEST(Save, AProgramFolderThatCannotBeWrittenIsReportedForJpg)
{
    UnwritableFolder program;
    if (!program.usable())
        GTEST_SKIP() << "no unwritable folder to be had: " << program.why().toStdString();
    const QString library = QString::fromLatin1(kConverterLibraryFileName);
    ASSERT_TRUE(program.fill(QDir(converterDir()).filePath(library)));
    ASSERT_TRUE(program.lock());
    QTemporaryDir target;
    FakeDialogs dialogs;
    FakeMessages messages;
    dialogs.answer = target.filePath(QStringLiteral("x.jpg"));
    saveResultAsJpg(scrambled(8, 8), 75, program.path(), dialogs, messages);
    EXPECT_EQ(messages.shown, QStringList{kJpgSaveFailed});
    EXPECT_EQ(entriesOf(program.path()), QStringList{library});
    EXPECT_TRUE(entriesOf(target.path()).isEmpty());
}

TEST(Save, AFullDiskIsReportedAndLeavesNoPartialFiles)
{
    TinyDisk targetDisk;
    if (!targetDisk.usable())
        GTEST_SKIP() << "no small disk to fill: " << targetDisk.why().toStdString();
    ProgramFolder program;
    FakeDialogs dialogs;
    FakeMessages messages;
    const Picture noise = scrambled(321, 240); // too big for the disk as BMP and as JPG
    dialogs.answer = targetDisk.path() + QStringLiteral("/x.bmp");
    saveResultAsBmp(noise, dialogs, messages);
    dialogs.answer = targetDisk.path() + QStringLiteral("/x.jpg");
    saveResultAsJpg(noise, 99, program.path(), dialogs, messages);
    EXPECT_EQ(messages.shown, (QStringList{kBmpSaveFailed, kJpgSaveFailed}));
    EXPECT_TRUE(entriesOf(targetDisk.path()).isEmpty());
    EXPECT_EQ(program.entries(), kOnlyTheLibrary);

    // The temporary BMP itself does not fit: the program folder is full.
    TinyDisk programDisk;
    ASSERT_TRUE(programDisk.usable());
    const QString library = QString::fromLatin1(kConverterLibraryFileName);
    ASSERT_TRUE(QFile::copy(QDir(converterDir()).filePath(library), QDir(programDisk.path()).filePath(library)));
    QTemporaryDir target;
    dialogs.answer = target.filePath(QStringLiteral("y.jpg"));
    saveResultAsJpg(noise, 75, programDisk.path(), dialogs, messages);
    EXPECT_EQ(messages.shown.size(), 3);
    EXPECT_EQ(entriesOf(programDisk.path()), QStringList{library});
    EXPECT_TRUE(entriesOf(target.path()).isEmpty());
}
