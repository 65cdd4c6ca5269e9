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

// The window's tests walk undo and redo over every kind of change.
TEST(History, TakesAStepOnlyForAChangeAndAChangeAfterAnUndoDropsTheRedoSteps)
{
    History history(std::size_t(1) << 30);
    Picture pict = filled(4, 3, qRgb(1, 1, 1));
    history.reset(pict);
    history.changed(pict);
    EXPECT_FALSE(history.undo(pict)) << "no change, no step";

    pict.resize(5, 5);
    history.changed(pict);
    ASSERT_TRUE(history.undo(pict));
    EXPECT_EQ(QSize(pict.width(), pict.height()), QSize(4, 3));
    pict.setPixel(0, 0, qRgb(9, 9, 9)); // a change in place
    history.changed(pict);
    EXPECT_FALSE(history.redo(pict));
    EXPECT_TRUE(history.undo(pict));
    EXPECT_EQ(pict.pixel(0, 0), qRgb(1, 1, 1));
}

TEST(History, KeepsTheNewestStepsWithinItsBudgetAndItsStepLimit)
{
    const std::size_t pictureBytes = 4 * 10 * 10;
    History roomy(std::size_t(1) << 30);
    History tight(pictureBytes * 5 / 2);
    Picture pict = filled(10, 10, qRgb(0, 0, 0));
    roomy.reset(pict);
    tight.reset(pict);
    for (int step = 1; step <= 60; ++step) {
        pict.setPixel(0, 0, qRgb(step, 0, 0));
        roomy.changed(pict);
        tight.changed(pict);
    }
    EXPECT_EQ(roomy.undoSteps(), History::kMaxSteps);
    EXPECT_EQ(tight.undoSteps(), 2u);
    ASSERT_TRUE(tight.undo(pict) && tight.undo(pict));
    EXPECT_EQ(pict.pixel(0, 0), qRgb(58, 0, 0)) << "the newest steps are kept";
}
