// Undo and redo, Esc, the clipboard and the keyboard, driven from the window.
#include "window_fixture.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>

using namespace mergola;
using namespace mergola::testing;

namespace {

class MainEditingTest : public WindowFixture {
protected:
    void expectResult(const QImage &expected, const char *step)
    {
        EXPECT_EQ(pict().image(), expected) << step;
        EXPECT_EQ(window->Pict0().picture().image(), freshDisplay()) << step;
    }
};

} // namespace

TEST_F(MainEditingTest, UndoAndRedoWalkBackAndForthOverEveryKindOfChange)
{
    std::vector<QImage> states{pict().image().copy()};
    window->CombineResult(2);
    states.push_back(pict().image().copy());
    trigger("fil_2"); // a filter
    states.push_back(pict().image().copy());
    trigger("fil_25"); // a mirror
    states.push_back(pict().image().copy());
    window->BorderKnop_Click();
    states.push_back(pict().image().copy());
    window->workspace().ResultWidth = 100; // a load brings the result to the working size
    window->Foto0_Drop(1, files.filePath(QStringLiteral("one.bmp")));
    states.push_back(pict().image().copy());
    ASSERT_EQ(pict().width(), 100);
    EXPECT_EQ(window->history().undoSteps(), states.size() - 1);

    for (std::size_t i = states.size() - 1; i-- > 0;) {
        window->EditUndo();
        expectResult(states[i], "undo");
    }
    window->EditUndo(); // nothing left: nothing happens
    expectResult(states.front(), "undo past the first step");
    for (std::size_t i = 1; i < states.size(); ++i) {
        window->EditRedo();
        expectResult(states[i], "redo");
    }

    window->EditUndo();
    window->EditUndo();
    trigger("fil_25");
    EXPECT_EQ(window->history().redoSteps(), 0u) << "a new change drops the redo steps";
    window->EditRedo();
    EXPECT_EQ(pict().width(), states[3].width());
}

TEST_F(MainEditingTest, AChangeDuringAFilterIsItsOwnStepAndUndoWaitsForTheFilter)
{
    window->CombineResult(2);
    const QImage combined = pict().image().copy();
    QImage mirrored;
    eventLoop.onTurn = [&](int turn) {
        if (turn != 5)
            return;
        window->EditUndo(); // waits: nothing happens during the filter
        trigger("fil_25");
        mirrored = pict().image().copy();
    };
    trigger("fil_10"); // Blur
    eventLoop.onTurn = nullptr;
    ASSERT_FALSE(mirrored.isNull());
    EXPECT_EQ(window->history().undoSteps(), 3u);
    window->EditUndo();
    EXPECT_EQ(pict().image(), mirrored) << "the filter's step comes after the mirror's";
    window->EditUndo();
    EXPECT_EQ(pict().image(), combined);
}

TEST_F(MainEditingTest, EscStopsAFilterAtItsFirstAMiddleOrItsLastRowLeavingThePictureAsItWas)
{
    window->workspace().ResultWidth = 1200;
    window->workspace().ResultHeight = 900;
    window->CombineResult(2);
    const QImage before = pict().image().copy();
    trigger("fil_10");
    const int rows = eventLoop.turns;
    window->EditUndo();
    const std::size_t steps = window->history().undoSteps();
    for (int stopAt : {1, rows / 2, rows}) {
        eventLoop.turns = 0;
        eventLoop.onTurn = [&](int turn) {
            if (turn == stopAt)
                window->StopFilter();
        };
        trigger("fil_10");
        EXPECT_EQ(eventLoop.turns, stopAt) << "the filter ends at its next row";
        EXPECT_EQ(pict().image(), before) << stopAt;
        EXPECT_EQ(window->filterProgress(), 0);
        EXPECT_EQ(child<QLabel>("ProgressLabel")->text(), QStringLiteral("0%"));
        EXPECT_FALSE(window->filterBusy());
        EXPECT_LE(window->filters().destBufferBytes(), 16u);
        EXPECT_EQ(window->history().undoSteps(), steps);
    }
    // Esc with no filter running changes nothing, and the next filter runs whole.
    eventLoop.onTurn = nullptr;
    window->StopFilter();
    trigger("fil_10");
    EXPECT_NE(pict().image(), before);
    EXPECT_EQ(window->history().undoSteps(), steps + 1);
    EXPECT_EQ(window->filterProgress(), 100);
}

TEST_F(MainEditingTest, CopyGivesTheWholeResultAndPasteLoadsASlotAsAFileWould)
{
    window->workspace().ResultWidth = 400;
    window->workspace().ResultHeight = 300;
    window->CombineResult(2);
    window->EditCopy();
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), pict().image());

    // A half-transparent picture: pasted into slot 2, dropped as a file into slot 1.
    QImage glass(50, 40, QImage::Format_ARGB32);
    glass.fill(qRgba(200, 0, 0, 128));
    glass.setPixel(3, 3, qRgba(0, 0, 255, 0));
    QGuiApplication::clipboard()->setImage(glass);
    window->Foto0_Paste(2);
    window->Foto0_Drop(1, writeImage(files.path(), QStringLiteral("glass.png"), glass, "PNG"));
    EXPECT_EQ(window->workspace().Foto[1].image(), slot1().image());
    EXPECT_EQ(window->Foto0(2).picture().image(), window->Foto0(1).picture().image());
    EXPECT_EQ(slot1().pixel(26, 26), qRgb(255, 255, 255)) << "transparency over white";

    // Text is no picture; a copied file is loaded like a dropped one.
    const QImage slot2 = window->workspace().Foto[1].image().copy();
    QGuiApplication::clipboard()->setText(QStringLiteral("no picture"));
    window->Foto0_Paste(2);
    EXPECT_EQ(window->workspace().Foto[1].image(), slot2);
    auto *file = new QMimeData;
    file->setUrls({QUrl::fromLocalFile(files.filePath(QStringLiteral("two.bmp")))});
    QGuiApplication::clipboard()->setMimeData(file);
    window->Foto0_Paste(2);
    EXPECT_EQ(window->workspace().Foto[1].pixel(200, 150), qRgb(0, 0, 255));
}

TEST_F(MainEditingTest, TabReachesEveryControlOnceWithANameAndTheQualityBoxKeepsItsKeys)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->activateWindow();
    window->Foto0(1).setFocus();
    std::vector<QWidget *> reached;
    for (int press = 0; press < 40; ++press) {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        if (!reached.empty() && focus == reached.front())
            break;
        reached.push_back(focus);
        const auto *button = qobject_cast<QPushButton *>(focus);
        EXPECT_FALSE(focus->accessibleName().isEmpty() && (!button || button->text().isEmpty()))
            << focus->objectName().toStdString();
        QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
    }
    const QList<QPushButton *> buttons = window->findChildren<QPushButton *>();
    for (QPushButton *button : buttons)
        EXPECT_EQ(std::count(reached.begin(), reached.end(), button), 1) << button->objectName().toStdString();
    // Once each: the buttons, both slots, the three colour bars, the lens scroll bar and the quality box.
    EXPECT_EQ(reached.size(), buttons.size() + 7);

    // Space presses the focused button; in the quality box Ctrl+Z and Esc
    // are the box's, which puts the stored value back.
    window->findChild<QPushButton *>(QStringLiteral("HelpKnop"))->setFocus();
    QTest::keyClick(window->windowHandle(), Qt::Key_Space);
    EXPECT_TRUE(window->findChild<QWidget *>(QStringLiteral("WebBrowser"))->isVisible());
    window->CombineResult(2);
    trigger("fil_25");
    auto *quality = child<QLineEdit>("Text1");
    quality->setFocus();
    quality->setText(QStringLiteral("4"));
    const QImage mirrored = pict().image().copy();
    QTest::keyClick(window->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(pict().image(), mirrored);
    EXPECT_EQ(quality->text(), QStringLiteral("4"));
    window->Foto0(2).setFocus();
    QTest::keyClick(window->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(pict().image(), mirrored) << "elsewhere Ctrl+Z undoes";
}
