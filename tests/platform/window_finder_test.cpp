#include "platform/window_finder.h"

#include "support/test_files.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace mergola;

namespace {

// A frame over screen's pixels, in blue-first order or, swapped, red-first.
FrameView viewOf(const QImage &screen, bool redFirst = false)
{
    return {screen.constBits(), screen.width(), screen.height(), static_cast<int>(screen.bytesPerLine()), redFirst};
}

} // namespace

TEST(FindWindow, FindsTheWindowExactlyThoughThePointerAndTheLensChangedPartsButNotWhereItIsNotWhole)
{
    const QImage window = mergola::testing::randomImage(60, 100, 1);
    QImage screen = mergola::testing::randomImage(300, 200, 2);
    {
        QPainter painter(&screen);
        painter.drawImage(QPoint(123, 45), window);
        // The pointer over the window's first rows, the lens box drawn anew since.
        painter.fillRect(123, 45, 60, 3, Qt::black);
        painter.fillRect(150, 100, 10, 10, Qt::white);
    }
    EXPECT_EQ(findWindow(viewOf(screen), window, {}), QPoint(123, 45));
    EXPECT_EQ(findWindow(viewOf(screen), window, QPoint(10, 10)), QPoint(123, 45)) << "the window has moved";
    EXPECT_EQ(findWindow(viewOf(screen.rgbSwapped(), true), window, {}), QPoint(123, 45));

    // Half of it covered: that is another picture; partly off the frame: not found whole.
    QPainter(&screen).fillRect(123, 45, 60, 50, Qt::black);
    EXPECT_EQ(findWindow(viewOf(screen), window, {}), std::nullopt);
    QPainter(&screen).drawImage(QPoint(260, 45), window);
    EXPECT_EQ(findWindow(viewOf(screen), window, QPoint(260, 45)), std::nullopt);

    QImage plain(60, 100, QImage::Format_RGB32);
    plain.fill(qRgb(224, 224, 224));
    screen.fill(qRgb(224, 224, 224));
    EXPECT_EQ(findWindow(viewOf(screen), plain, {}), std::nullopt) << "every place would do";
}
