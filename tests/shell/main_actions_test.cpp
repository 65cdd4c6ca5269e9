// Combining, the filter menu, the border, saving, printing and the quality
// box as the user drives them, including presses of other buttons during the
// event-loop turns a running filter gives.
#include "window_fixture.h"

#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

using namespace mergola;
using namespace mergola::testing;

namespace {

class MainActionsTest : public WindowFixture {
protected:
    // The converter library lives beside the program.
    void installConverter()
    {
        ASSERT_TRUE(QFile::copy(builtProgramDir() + QStringLiteral("/libbmp2jpeg.so"),
                                programDir.filePath(QStringLiteral("libbmp2jpeg.so"))));
    }
    static QImage saved(const QString &path) { return QImage(path).convertToFormat(QImage::Format_RGB32); }
};

QRgb negative(QRgb c) { return qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c)); }

} // namespace

TEST_F(MainActionsTest, CombineEntriesRebuildTheResultAndItsDisplay)
{
    trigger("comb_1");
    EXPECT_EQ(pict().pixel(0, 0), qRgb(0, 0, 255)) << "(0, 0) from slot 2";
    EXPECT_EQ(window->Pict0().picture().pixel(1, 0), slot1().pixel(1, 0));
    EXPECT_EQ(pointer.changes, (std::vector<bool>{true, false, true, false, true, false})) << "two loads, a combine";
    trigger("comb_3");
    ASSERT_EQ(pict().height(), 480);
    // The display squeezes the 320 x 480 result to half height.
    EXPECT_EQ(window->Pict0().picture().pixel(7, 10), slot1().pixel(7, 21));
    EXPECT_EQ(window->Pict0().picture().pixel(7, 200), qRgb(0, 0, 255));
    trigger("comb_2");
    EXPECT_EQ(pict().height(), 240);
    EXPECT_EQ(window->Pict0().picture().pixel(3, 4), slot1().pixel(3, 4) ^ 0x0000FF);
}

TEST_F(MainActionsTest, FilterEntriesRunThroughTheEngineRefusingASecondFilterAndLosingAMirrorMeanwhile)
{
    trigger("comb_2");
    const QImage before = pict().image();
    eventLoop.onTurn = [this](int turn) {
        if (turn == 3)
            trigger("fil_2"); // refused: the running one goes on
        if (turn == 5)
            trigger("fil_25"); // carried out at once, then overwritten
    };
    trigger("fil_2"); // Negative
    eventLoop.onTurn = nullptr;
    EXPECT_EQ(eventLoop.turns, 241) << "one per row and one at the end, for one filter only";
    for (auto [x, y] : {std::pair{0, 0}, {17, 33}, {319, 239}})
        EXPECT_EQ(pict().pixel(x, y), negative(before.pixel(x, y))) << "negated once, unmirrored";
    EXPECT_EQ(window->Pict0().picture().image(), freshDisplay());
    EXPECT_EQ(window->filterProgress(), 100);
    EXPECT_FALSE(window->filterBusy());
    window->progressDisplay().tick();
    EXPECT_EQ(child<QLabel>("ProgressLabel")->text(), QStringLiteral("100%"));
    EXPECT_FALSE(window->progressDisplay().timerEnabled());

    // The "Swap colors" entry itself runs no filter but starts the progress display.
    window->fil_Click(5);
    EXPECT_TRUE(window->progressDisplay().timerEnabled());
    EXPECT_EQ(eventLoop.turns, 241);
    trigger("fils_4"); // red and blue exchanged
    trigger("fil_25");
    trigger("fil_26");
    const QRgb n = negative(before.pixel(10, 20));
    EXPECT_EQ(pict().pixel(319 - 10, 239 - 20), qRgb(qBlue(n), qGreen(n), qRed(n)));
    EXPECT_FALSE(pointer.busy());
}

TEST_F(MainActionsTest, ButtonsPressedDuringAFilterLeaveAConsistentPicture)
{
    trigger("comb_1");
    // Combining into another size during the run: the filter's result no
    // longer fits, so it is dropped and the new result stays.
    eventLoop.onTurn = [this](int turn) {
        if (turn == 2)
            trigger("comb_3");
    };
    trigger("fil_1"); // Greyscale
    ASSERT_EQ(pict().height(), 480);
    EXPECT_EQ(pict().pixel(4, 241), qRgb(0, 0, 255));
    EXPECT_FALSE(window->filterBusy());

    // Clearing slots, a colour bar, loading: the load brings Pict back to
    // the working size, so this result too is dropped.
    eventLoop.turns = 0;
    eventLoop.onTurn = [this](int turn) {
        if (turn == 1) {
            window->NewKnop_Click(1);
            child<QScrollBar>("Rscroll")->setValue(3);
            dialogs.answers = {writeImage(files.path(), QStringLiteral("late.bmp"), gradientImage(30, 30), "BMP")};
            window->Foto0_Click(2);
        }
    };
    trigger("fil_2");
    ASSERT_EQ(pict().height(), 240);
    EXPECT_EQ(pict().pixel(4, 20), qRgb(4, 20, 77)) << "the kept top-left of the earlier result, not negated";
    EXPECT_FALSE(window->filterBusy());
    EXPECT_EQ(window->workspace().Foto[0].pixel(0, 0), qRgb(255, 255, 255));
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
        EXPECT_EQ(eventLoop.turns, 4) << "no row after the end";
        EXPECT_EQ(pict().image(), before) << "the unfinished result is dropped";
        EXPECT_FALSE(window->filterBusy());
        EXPECT_FALSE(pointer.busy());
        EXPECT_EQ(settingsContent(), exit ? QByteArray("320,240\r\n75\r\n") : QByteArray("<missing>"));
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
    press(box, Qt::Key_8, QStringLiteral("8"));
    shows("75", 75); // a third digit cannot be typed
    box->setCursorPosition(1);
    press(box, Qt::Key_X, QStringLiteral("x"));
    press(box, Qt::Key_Backspace, QStringLiteral("\b"));
    shows("75", 75); // a letter and Backspace are thrown away
    box->selectAll();
    press(box, Qt::Key_Delete);
    shows("", 0); // an empty box is 0
    QTest::keyClicks(box, "90");
    shows("90", 90);
    box->selectAll();
    press(box, Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier); // pasting is a control character
    shows("90", 90);
    window->ExitKnop_Click();
    EXPECT_EQ(settingsContent(), QByteArray("320,240\r\n90\r\n"));
}

TEST_F(MainActionsTest, SaveEntriesWriteTheWholeResultUnderTheNameGivenWithTheBoxsQualityAndSayWhenTheyCannot)
{
    trigger("comb_3");
    const QString bmp = files.filePath(QStringLiteral("result without extension"));
    dialogs.answers = {QString(), QString(), bmp, files.filePath(QStringLiteral("lost.jpg"))}; // two cancels first
    for (const char *entry : {"MenuSaveBmp", "MenuSaveJpg", "MenuSaveBmp", "MenuSaveJpg"})
        trigger(entry);
    EXPECT_EQ(saved(bmp), pict().image()) << "the whole result, under exactly the name given";
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Fout bij het saven naar JPG!")}) << "no converter";
    EXPECT_EQ(dialogs.saveFilters, (QStringList{"Bitmap format (*.bmp)|*.bmp", "Jpg format (*.jpg)|*.jpg",
                                                "Bitmap format (*.bmp)|*.bmp", "Jpg format (*.jpg)|*.jpg"}));
    EXPECT_EQ(QDir(files.path()).entryList({"result*", "lost*"}),
              QStringList{QStringLiteral("result without extension")});
    dialogs.answers = {files.filePath(QStringLiteral("result.png"))};
    trigger("MenuSavePng");
    EXPECT_EQ(saved(files.filePath(QStringLiteral("result.png"))), pict().image()) << "lossless";

    installConverter();
    writeFile(programDir.path(), QStringLiteral("mydummy.bmp"), "left over from a crash");
    const auto jpg = [&](int quality) { return files.filePath(QStringLiteral("q%1.jpg").arg(quality)); };
    for (int quality : {5, 95}) {
        child<QLineEdit>("Text1")->setText(QString::number(quality));
        dialogs.answers = {jpg(quality)};
        trigger("MenuSaveJpg");
        EXPECT_EQ(QImageReader(jpg(quality)).size(), QSize(320, 480)) << quality;
    }
    EXPECT_LT(QFileInfo(jpg(5)).size(), QFileInfo(jpg(95)).size());
    EXPECT_FALSE(QFile::exists(programDir.filePath(QStringLiteral("mydummy.bmp"))));
    EXPECT_EQ(messages.shown.size(), 1);
}

TEST_F(MainActionsTest, PrintEntriesPrintTheirLayoutsAndAMissingPrinterOrAFailedJobIsTold)
{
    trigger("comb_2");
    for (const char *entry : {"PrintDubbel", "PrintEnkel", "PrintAppart"})
        trigger(entry);
    using enum PageOrientation;
    EXPECT_EQ(printer.orientations, (std::vector{Portrait, Landscape, Portrait}));
    ASSERT_EQ(printer.pages.size(), 3u);
    // The landscape picture's rectangle starts 480 twips in from the corner.
    const int at600Twips = int(600 * FakePrinter::kDotsPerInch / 1440.0);
    EXPECT_NE(printer.pages[1].pixel(at600Twips, at600Twips), qRgb(255, 255, 255));
    EXPECT_EQ(printer.pages[1].pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_TRUE(messages.shown.isEmpty());

    printer.answer = PrintOutcome::NoPrinter;
    trigger("PrintEnkel");
    printer.answer = PrintOutcome::Failed;
    trigger("PrintDubbel");
    EXPECT_EQ(messages.shown,
              (QStringList{QStringLiteral("Er is geen printer gevonden!"), QStringLiteral("Fout bij het afdrukken!")}));
}

TEST_F(MainActionsTest, BorderFramesTheResultAndItsDisplayOnePixelEach)
{
    trigger("comb_3");
    const QRgb inside = pict().pixel(2, 2);
    const QRgb shown = window->Pict0().picture().pixel(2, 2);
    window->BorderKnop_Click();
    EXPECT_EQ(pict().pixel(319, 479), qRgb(0, 0, 0));
    EXPECT_EQ(pict().pixel(318, 478), qRgb(255, 255, 255));
    EXPECT_EQ(pict().pixel(2, 2), inside);
    const Picture &display = window->Pict0().picture();
    EXPECT_EQ(display.pixel(319, 239), qRgb(0, 0, 0));
    EXPECT_EQ(display.pixel(318, 238), qRgb(255, 255, 255));
    EXPECT_EQ(display.pixel(2, 2), shown);
}

// A window started at the largest working size the resize dialog allows.
TEST_F(MainActionsTest, TheLargestWorkingSizeCombinesAndSavesAsBmpAndJpg)
{
    writeSettings("9999,9999\r\n75\r\n");
    start();
    installConverter();
    window->CombineResult(1);
    ASSERT_EQ(pict().width(), 9999);
    const QString bmp = files.filePath(QStringLiteral("huge.bmp"));
    const QString jpg = files.filePath(QStringLiteral("huge.jpg"));
    dialogs.answers = {bmp, jpg};
    window->MenuSaveBmp_Click();
    window->MenuSaveJpg_Click();
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(QImageReader(bmp).size(), QSize(9999, 9999));
    EXPECT_EQ(QImageReader(jpg).size(), QSize(9999, 9999));
}
