#include "platform/history.h"

#include <gtest/gtest.h>

using namespace mergola;

namespace {

Picture filled(int width, int height, QRgb colour)
{
    Picture picture(width, height, colour);
    picture.clear();
    return picture;
}

} // namespace

TEST(History, UndoesAndRedoesEachChangeAndANewChangeDropsTheRedoSteps)
{
    History history(std::size_t(1) << 30);
    Picture pict = filled(4, 3, qRgb(1, 1, 1));
    history.reset(pict);
    const QImage first = pict.image().copy();

    history.changed(pict);
    EXPECT_EQ(history.undoSteps(), 0u) << "no change, no step";
    pict.setPixel(0, 0, qRgb(9, 9, 9)); // a change in place
    history.changed(pict);
    const QImage second = pict.image().copy();
    pict.resize(5, 5); // a change of size
    history.changed(pict);
    const QImage third = pict.image().copy();
    ASSERT_EQ(history.undoSteps(), 2u);

    EXPECT_TRUE(history.undo(pict));
    EXPECT_EQ(pict.image(), second);
    EXPECT_TRUE(history.undo(pict));
    EXPECT_EQ(pict.image(), first);
    EXPECT_FALSE(history.undo(pict));
    EXPECT_EQ(pict.image(), first);
    EXPECT_TRUE(history.redo(pict));
    EXPECT_EQ(pict.image(), second);
    EXPECT_EQ(QSize(pict.width(), pict.height()), QSize(4, 3));

    pict.mirrorHorizontal();
    history.changed(pict);
    EXPECT_EQ(history.redoSteps(), 0u);
    EXPECT_FALSE(history.redo(pict));
    EXPECT_TRUE(history.undo(pict));
    EXPECT_EQ(pict.image(), second);
    EXPECT_TRUE(history.redo(pict));
    EXPECT_NE(pict.image(), third);
}

TEST(History, KeepsTwentyStepsAndDropsTheOldestBeyondItsBudget)
{
    constexpr int kSide = 10;
    const std::size_t pictureBytes = 4 * kSide * kSide;
    History roomy(std::size_t(1) << 30);
    History tight(pictureBytes * 5 / 2);
    Picture pict = filled(kSide, kSide, qRgb(0, 0, 0));
    roomy.reset(pict);
    tight.reset(pict);
    constexpr int kChanges = 25;
    for (int step = 1; step <= kChanges; ++step) {
        pict.setPixel(0, 0, qRgb(step, 0, 0));
        roomy.changed(pict);
        tight.changed(pict);
    }
    EXPECT_EQ(tight.undoSteps(), 2u);
    EXPECT_LE(tight.keptBytes(), pictureBytes * 5 / 2);
    for (int step = kChanges - 1; step >= 0; --step) {
        ASSERT_TRUE(roomy.undo(pict)) << step;
        EXPECT_EQ(pict.pixel(0, 0), qRgb(step, 0, 0));
    }
    EXPECT_LE(roomy.keptBytes(), pictureBytes * kChanges);

    const std::size_t budget = defaultHistoryBudget();
    EXPECT_GT(budget, std::size_t(0));
    EXPECT_LE(budget, std::size_t(1) << 30);
}
