// Combining and the filter menu as the user drives them, including presses
// of other buttons during the event-loop turns a running filter gives.
#include "window_fixture.h"

#include <QLabel>
#include <QScrollBar>

using namespace mergola;
using namespace mergola::testing;

namespace {

using MainActionsTest = WindowFixture;

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

TEST_F(MainActionsTest, FilterEntriesRunThroughTheEngineWithTheProgressBarAndShowTheResult)
{
    trigger("comb_2");
    const QRgb before = pict().pixel(10, 20);
    trigger("fil_2"); // Negative
    EXPECT_EQ(window->Pict0().picture().pixel(10, 20), negative(before));
    EXPECT_EQ(eventLoop.turns, 241) << "one per row and one at the end";
    EXPECT_FALSE(pointer.busy);
    window->progressDisplay().tick();
    EXPECT_EQ(window->findChild<QLabel *>(QStringLiteral("ProgressLabel"))->text(), QStringLiteral("100%"));
    EXPECT_FALSE(window->progressDisplay().timerEnabled());

    // The "Swap colors" entry itself runs no filter but starts the progress display.
    window->fil_Click(5);
    EXPECT_TRUE(window->progressDisplay().timerEnabled());
    EXPECT_EQ(eventLoop.turns, 241);
    trigger("fils_4"); // red and blue exchanged
    trigger("fil_25");
    trigger("fil_26");
    const QRgb n = negative(before);
    EXPECT_EQ(pict().pixel(319 - 10, 239 - 20), qRgb(qBlue(n), qGreen(n), qRed(n)));
    EXPECT_FALSE(pointer.busy);
}

TEST_F(MainActionsTest, ASecondFilterDuringARunIsRefusedAndAMirrorThenIsLost)
{
    trigger("comb_2");
    const QImage before = pict().image();
    eventLoop.onTurn = [this](int turn) {
        if (turn == 3)
            trigger("fil_2"); // refused: the running one goes on
        if (turn == 5)
            trigger("fil_25"); // carried out at once, then overwritten
    };
    trigger("fil_2");
    for (auto [x, y] : {std::pair{0, 0}, {17, 33}, {319, 239}})
        EXPECT_EQ(pict().pixel(x, y), negative(before.pixel(x, y))) << "negated once, unmirrored";
    EXPECT_EQ(window->filterProgress(), 100);
    EXPECT_FALSE(window->filterBusy());
    EXPECT_FALSE(pointer.busy);
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
            window->findChild<QScrollBar *>(QStringLiteral("Rscroll"))->setValue(3);
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
        EXPECT_FALSE(pointer.busy);
        EXPECT_EQ(settingsContent(), exit ? QByteArray("320,240\r\n75\r\n") : QByteArray("<missing>"));
    }
}
