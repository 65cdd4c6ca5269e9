#include "output/save.h"

#include "platform/image_file.h"

#include "output/jpeg_converter.h"
#include "output_test_support.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mergola;
using namespace mergola::testing;

namespace {

const QString kLibrary = QString::fromLatin1(kConverterLibraryFileName);
const QStringList kOnlyTheLibrary{kLibrary};

bool copyConverter(const QString &toDir)
{
    return QFile::copy(QDir(converterDir()).filePath(kLibrary), QDir(toDir).filePath(kLibrary));
}

// A program folder as the window has it, with the converter library
// inside, and a folder to save into. Why a writer refuses a file is for
// the writers' own tests; here a failure is told with its message.
class Save : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(copyConverter(program.path())); }

    // Saves under the name the dialog answers.
    void jpg(const Picture &pict, const QString &answer, const QString &programDir = {})
    {
        dialogs.answers = {answer};
        saveResultAsJpg(pict, 75, portableProgramFiles(programDir.isEmpty() ? program.path() : programDir), dialogs,
                        messages);
    }
    QString target(const char *name) const { return targetDir.filePath(QString::fromUtf8(name)); }

    QTemporaryDir program;
    QTemporaryDir targetDir;
    FakeFileDialogs dialogs;
    FakeMessageBox messages;
};

} // namespace

TEST_F(Save, EachFormatSaysWhenItsWriterFailsAndLeavesNoFileBehind)
{
    dialogs.answers = {target("leeg.bmp"), target("leeg.png")};
    saveResultAsBmp(Picture(0, 240, qRgb(255, 255, 255)), dialogs, messages);
    saveResultAsPng(Picture(0, 0, qRgb(255, 255, 255)), dialogs, messages);
    jpg(Picture(320, 0, qRgb(255, 255, 255)), target("leeg.jpg"));
    EXPECT_EQ(messages.shown, (QStringList{kBmpSaveFailed, kPngSaveFailed, kJpgSaveFailed}));
    EXPECT_TRUE(entriesOf(targetDir.path()).isEmpty()) << "no file, not even an empty one";
    EXPECT_EQ(entriesOf(program.path()), kOnlyTheLibrary) << "no temporary BMP left behind";
}

TEST_F(Save, AJpgIsRefusedWhenTheProgramFolderHasNoRoomForTheTemporaryBmp)
{
    UnwritableFolder locked;
    if (!locked.usable())
        GTEST_SKIP() << "no unwritable folder to be had: " << locked.why().toStdString();
    ASSERT_TRUE(copyConverter(locked.path()) && locked.lock());
    jpg(randomPicture(8, 8, 1), target("x.jpg"), locked.path());
    EXPECT_EQ(messages.shown, QStringList{kJpgSaveFailed});
    EXPECT_EQ(entriesOf(locked.path()), kOnlyTheLibrary);
    EXPECT_TRUE(entriesOf(targetDir.path()).isEmpty());
}

TEST_F(Save, AJpgWhoseFolderGoesAwayBeforeOrWhileTheConverterRunsIsReported)
{
    const Picture pict = randomPicture(7, 5, 3);
    // Between the dialog and the write the name became a folder; then the
    // JPG's folder is removed while the converter runs.
    ASSERT_TRUE(QDir().mkpath(target("now-a-folder.jpg")) && QDir().mkpath(target("going")));
    jpg(pict, target("now-a-folder.jpg"));
    QTemporaryDir vanishing;
    ASSERT_TRUE(QFile::copy(QDir(QStringLiteral(MERGOLA_TEST_VANISHING_FOLDER_DIR)).filePath(kLibrary),
                            QDir(vanishing.path()).filePath(kLibrary)));
    jpg(pict, target("going/picture.jpg"), vanishing.path());
    EXPECT_EQ(messages.shown, QStringList({kJpgSaveFailed, kJpgSaveFailed}));
    EXPECT_EQ(entriesOf(vanishing.path()), kOnlyTheLibrary) << "the temporary BMP is gone";
    EXPECT_EQ(entriesOf(program.path()), kOnlyTheLibrary);
}

TEST_F(Save, AConverterThatCrashesTakesTheProgramButLeavesNoTemporaryFile)
{
    QTemporaryDir crashing;
    ASSERT_TRUE(QFile::copy(QDir(QStringLiteral(MERGOLA_TEST_CRASHING_DIR)).filePath(kLibrary),
                            QDir(crashing.path()).filePath(kLibrary)));
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(jpg(randomPicture(8, 8, 1), target("x.jpg"), crashing.path()), "");
    QStringList files;
    for (QDirIterator it(crashing.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        files << QFileInfo(it.next()).fileName();
    EXPECT_EQ(files, kOnlyTheLibrary);
    EXPECT_TRUE(entriesOf(targetDir.path()).isEmpty());
}
