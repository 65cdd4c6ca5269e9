// Undo and redo, Esc, the clipboard and the keyboard, driven from the window.
#include "window_fixture.h"

#include <QClipboard>

#include <set>

using namespace mergola;
using namespace mergola::testing;

using MainEditingTest = WindowFixture;

TEST_F(MainEditingTest, UndoAndRedoWalkBackAndForthOverEveryKindOfChange)
{
    std::vector<QImage> states{pict().image().copy()};
    const auto keep = [&] { states.push_back(pict().image().copy()); };
    window->CombineResult(2);
    keep();
    trigger("fil_2");
    keep();
    trigger("fil_25");
    keep();
    window->BorderKnop_Click();
    keep();
    window->workspace().ResultWidth = 100; // a load brings the result to the working size
    window->Foto0_Drop(1, files.filePath(QStringLiteral("one.bmp")));
    keep();
    ASSERT_EQ(pict().width(), 100);
    for (std::size_t i = states.size() - 1; i-- > 0;) {
        window->EditUndo();
        EXPECT_EQ(pict().image(), states[i]) << "undo to " << i;
    }
    window->EditUndo(); // nothing left: nothing happens
    EXPECT_EQ(pict().image(), states.front());
    for (std::size_t i = 1; i < states.size(); ++i) {
        window->EditRedo();
        EXPECT_EQ(pict().image(), states[i]) << "redo to " << i;
        EXPECT_EQ(window->Pict0().picture().image(), freshDisplay()) << "redo to " << i;
    }
}

TEST_F(MainEditingTest, AChangeDuringAFilterIsItsOwnStepAndUndoWaitsForTheFilter)
{
    window->CombineResult(2);
    const QImage combined = pict().image().copy();
    eventLoop.onTurn = [&](int turn) {
        if (turn == 5) {
            window->EditUndo(); // waits: nothing happens during the filter
            trigger("fil_25");
        }
    };
    trigger("fil_10"); // Blur
    eventLoop.onTurn = nullptr;
    EXPECT_EQ(window->history().undoSteps(), 3u) << "the combine, the mirror and the filter";
    window->EditUndo();
    window->EditUndo();
    EXPECT_EQ(pict().image(), combined);
}

TEST_F(MainEditingTest, EscStopsAFilterAtItsFirstAMiddleOrItsLastRowLeavingThePictureAsItWas)
{
    window->CombineResult(2);
    const QImage before = pict().image().copy();
    trigger("fil_10");
    const int rows = eventLoop.turns;
    window->EditUndo();
    for (int stopAt : {1, rows / 2, rows}) {
        eventLoop.turns = 0;
        eventLoop.onTurn = [&](int turn) {
            if (turn == stopAt)
                window->StopFilter();
        };
        trigger("fil_10");
        EXPECT_EQ(eventLoop.turns, stopAt) << "the filter ends at its next row";
        EXPECT_EQ(pict().image(), before) << stopAt;
        EXPECT_EQ(child<QLabel>("ProgressLabel")->text(), QStringLiteral("0%"));
    }
    // Esc with no filter running changes nothing, and the next filter runs whole.
    eventLoop.onTurn = nullptr;
    window->StopFilter();
    trigger("fil_10");
    EXPECT_NE(pict().image(), before);
}

TEST_F(MainEditingTest, CopyGivesTheWholeResultAndPasteLoadsASlotAsAFileWould)
{
    window->workspace().ResultWidth = 400;
    window->workspace().ResultHeight = 300;
    window->CombineResult(2);
    window->EditCopy();
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), pict().image());

    QImage glass(50, 40, QImage::Format_ARGB32);
    glass.fill(qRgba(200, 0, 0, 128));
    glass.setPixel(3, 3, qRgba(0, 0, 255, 0));
    QGuiApplication::clipboard()->setImage(glass);
    window->Foto0_Paste(2);
    window->Foto0_Drop(1, writeImage(files.path(), QStringLiteral("glass.png"), glass, "PNG"));
    EXPECT_EQ(window->workspace().Foto[1].image(), slot1().image());
    EXPECT_EQ(slot1().pixel(26, 26), qRgb(255, 255, 255)) << "transparency over white";
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(MainEditingTest, TabReachesEveryControlOnce)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->activateWindow();
    window->Foto0(1).setFocus();
    std::set<QWidget *> reached;
    while (reached.insert(QApplication::focusWidget()).second && reached.size() < 40)
        QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
    for (QPushButton *button : window->findChildren<QPushButton *>())
        EXPECT_TRUE(reached.count(button)) << button->objectName().toStdString();
    // The buttons, both slots, the three colour bars, the lens scroll bar and the quality box.
    EXPECT_EQ(reached.size(), window->findChildren<QPushButton *>().size() + 7);
}
