// Combining, the filter menu, the border, saving, printing and the quality
// box as the user drives them. The pixels of each are the core's own tests';
// here each entry must reach the core and show what it made.
#include "window_fixture.h"

#include <QDir>
#include <QImageReader>

using namespace mergola;
using namespace mergola::testing;

namespace {

using MainActionsTest = WindowFixture;

QRgb negative(QRgb c) { return qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c)); }

} // namespace

TEST_F(MainActionsTest, CombineEntriesAndTheBorderRebuildTheResultAndItsDisplay)
{
    trigger("comb_1");
    EXPECT_EQ(pict().pixel(0, 0), qRgb(0, 0, 255)) << "(0, 0) from slot 2";
    EXPECT_EQ(pointer.changes, (std::vector<bool>{true, false, true, false, true, false})) << "two loads, a combine";
    trigger("comb_3");
    ASSERT_EQ(pict().height(), 480);
    // The display squeezes the 320 x 480 result to half height.
    EXPECT_EQ(window->Pict0().picture().pixel(7, 10), slot1().pixel(7, 21));
    EXPECT_EQ(window->Pict0().picture().pixel(7, 200), qRgb(0, 0, 255));

    window->BorderKnop_Click();
    EXPECT_EQ(pict().pixel(319, 479), qRgb(0, 0, 0));
    // A squeezed copy of the framed result would show the picture just inside the display's frame.
    EXPECT_EQ(window->Pict0().picture().pixel(319, 239), qRgb(0, 0, 0));
    EXPECT_EQ(window->Pict0().picture().pixel(318, 238), qRgb(255, 255, 255));
    trigger("comb_2");
    EXPECT_EQ(window->Pict0().picture().pixel(3, 4), slot1().pixel(3, 4) ^ 0x0000FF);
}

TEST_F(MainActionsTest, FilterAndMirrorEntriesChangeTheResultAndTheProgressEndsAtAHundred)
{
    trigger("comb_2");
    const QImage before = pict().image();
    trigger("fil_2"); // Negative
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(pict().pixel(17, 33), negative(before.pixel(17, 33)));
    EXPECT_EQ(window->Pict0().picture().image(), freshDisplay());
    window->progressDisplay().tick();
    EXPECT_EQ(child<QLabel>("ProgressLabel")->text(), QStringLiteral("100%"));
    EXPECT_FALSE(window->progressDisplay().timerEnabled());

    trigger("fils_4"); // red and blue exchanged
    trigger("fil_25");
    trigger("fil_26");
    const QRgb n = negative(before.pixel(10, 20));
    EXPECT_EQ(pict().pixel(319 - 10, 239 - 20), qRgb(qBlue(n), qGreen(n), qRed(n)));
}

TEST_F(MainActionsTest, AnIdleWindowReadiesTheMemoryTheNextFilterTakes)
{
    releaseSparePixelMemory();
    window->workspace().ResultWidth = 1000;
    window->workspace().ResultHeight = 800;
    loadSlots();
    trigger("comb_1");
    // Two buffers and a result of 3.2 MB, each in whole 2 MB huge pages.
    constexpr std::size_t kReady = 3 * (std::size_t(4) << 20);
    ASSERT_TRUE(waitUntil([&] { return !window->preparingMemory(); }, 60000, 5));
    EXPECT_EQ(sparePixelBytes(), kReady);
    const QImage before = pict().image().copy();
    trigger("fil_2"); // Negative
    EXPECT_EQ(pict().pixel(999, 799), negative(before.pixel(999, 799)));
    ASSERT_TRUE(waitUntil([&] { return !window->preparingMemory(); }, 60000, 5));
    EXPECT_EQ(sparePixelBytes(), kReady) << "the buffers back, and a block for the next result";
    releaseSparePixelMemory();
}

TEST_F(MainActionsTest, ExitDuringAFilterWritesTheSettingsAndGivesTheFilterUpButClosingWritesNothing)
{
    for (bool exit : {true, false}) {
        start();
        trigger("comb_1");
        const QImage before = pict().image();
        QFile::remove(programDir.filePath(QStringLiteral("Mergola.ini")));
        eventLoop.turns = 0;
        eventLoop.onTurn = [this, exit](int turn) {
            if (turn == 4 && exit)
                window->ExitKnop_Click();
            else if (turn == 4)
                window->close();
        };
        trigger("fil_21"); // Gamma
        EXPECT_EQ(pict().image(), before) << "the unfinished result is dropped";
        EXPECT_EQ(settingsContent(), exit ? QByteArray("320,240\r\n75\r\n") : QByteArray());
    }
}

TEST_F(MainActionsTest, QualityBoxKeepsOnlyDigitsAndTheStoredValueFollowsIt)
{
    auto *box = child<QLineEdit>("Text1");
    const auto shows = [&](const char *text, int quality) {
        EXPECT_EQ(box->text(), QLatin1String(text));
        EXPECT_EQ(window->jpgQuality(), quality);
    };
    box->setCursorPosition(2);
    QTest::keyClick(box, Qt::Key_8);
    shows("75", 75); // a third digit cannot be typed
    box->setCursorPosition(1);
    QTest::keyClick(box, Qt::Key_X);
    QTest::keyClick(box, Qt::Key_Backspace);
    shows("75", 75); // a letter and Backspace are thrown away
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    shows("", 0); // an empty box is 0
    QTest::keyClicks(box, "90");
    shows("90", 90);
    window->ExitKnop_Click();
    EXPECT_EQ(settingsContent(), QByteArray("320,240\r\n90\r\n"));
}

TEST_F(MainActionsTest, SaveEntriesWriteTheWholeResultUnderTheNameGivenWithTheBoxsQualityAndSayWhenTheyCannot)
{
    const auto saved = [](const QString &path) { return QImage(path).convertToFormat(QImage::Format_RGB32); };
    trigger("comb_3");
    const QString bmp = files.filePath(QStringLiteral("result without extension"));
    dialogs.answers = {QString(), bmp, files.filePath(QStringLiteral("lost.jpg")),
                       files.filePath(QStringLiteral("result.png"))}; // a cancel first
    for (const char *entry : {"MenuSaveBmp", "MenuSaveBmp", "MenuSaveJpg", "MenuSavePng"})
        trigger(entry);
    EXPECT_EQ(saved(bmp), pict().image()) << "the whole result, under exactly the name given";
    EXPECT_EQ(saved(files.filePath(QStringLiteral("result.png"))), pict().image()) << "lossless";
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Fout bij het saven naar JPG!")}) << "no converter";
    EXPECT_EQ(dialogs.saveFilters.mid(1, 2),
              (QStringList{"Bitmap format (*.bmp)|*.bmp", "Jpg format (*.jpg)|*.jpg"}));

    ASSERT_TRUE(QFile::copy(builtProgramDir() + QStringLiteral("/libbmp2jpeg.so"),
                            programDir.filePath(QStringLiteral("libbmp2jpeg.so"))));
    const auto jpg = [&](int quality) { return files.filePath(QStringLiteral("q%1.jpg").arg(quality)); };
    for (int quality : {5, 95}) {
        child<QLineEdit>("Text1")->setText(QString::number(quality));
        dialogs.answers = {jpg(quality)};
        trigger("MenuSaveJpg");
        EXPECT_EQ(QImageReader(jpg(quality)).size(), QSize(320, 480)) << quality;
    }
    EXPECT_LT(QFileInfo(jpg(5)).size(), QFileInfo(jpg(95)).size());
}

TEST_F(MainActionsTest, PrintEntriesPrintTheirLayoutsAndAFailedJobIsTold)
{
    trigger("comb_2");
    for (const char *entry : {"PrintDubbel", "PrintEnkel", "PrintAppart"})
        trigger(entry);
    using enum PageOrientation;
    EXPECT_EQ(printer.orientations, (std::vector{Portrait, Landscape, Portrait}));

    // The real printer's own test tells of a missing printer.
    printer.answer = PrintOutcome::Failed;
    trigger("PrintDubbel");
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Fout bij het afdrukken!")});
}
