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

TEST(History, TakesAStepOnlyForAChangeAndSaysWhenThereIsNothingToUndoOrRedo)
{
    History history(std::size_t(1) << 30);
    Picture pict = filled(4, 3, qRgb(1, 1, 1));
    history.reset(pict);
    history.changed(pict);
    EXPECT_EQ(history.undoSteps(), 0u) << "no change, no step";
    EXPECT_FALSE(history.undo(pict));

    pict.resize(5, 5);
    history.changed(pict);
    const QImage resized = pict.image().copy();
    EXPECT_FALSE(history.redo(pict));
    EXPECT_TRUE(history.undo(pict));
    EXPECT_EQ(QSize(pict.width(), pict.height()), QSize(4, 3));
    EXPECT_EQ(pict.pixel(3, 2), qRgb(1, 1, 1));
    EXPECT_FALSE(history.undo(pict));
    EXPECT_EQ(QSize(pict.width(), pict.height()), QSize(4, 3)) << "a refused undo leaves the picture alone";
    EXPECT_TRUE(history.redo(pict));
    EXPECT_EQ(pict.image(), resized);

    ASSERT_TRUE(history.undo(pict));
    pict.setPixel(0, 0, qRgb(9, 9, 9)); // a change in place drops the redo step
    history.changed(pict);
    EXPECT_FALSE(history.redo(pict));
    EXPECT_TRUE(history.undo(pict));
    EXPECT_EQ(pict.pixel(0, 0), qRgb(1, 1, 1));
}

TEST(History, KeepsEveryStepWithinItsBudgetAndDropsTheOldestBeyondIt)
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
    EXPECT_GT(defaultHistoryBudget(), std::size_t(0));
    EXPECT_LE(defaultHistoryBudget(), std::size_t(1) << 30);
}
