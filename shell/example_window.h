// The example window `Example`: the result picture at its full working
// size, unscaled from its top-left corner, on white. Modal, with a fixed
// dialog border, centred, titled " Example / W x H pixels". Built anew each
// time it opens, so it shows the result of that moment. A working size
// larger than the screen gets scroll bars instead of a window off the
// screen's edges.
#pragma once

#include <QDialog>
#include <QImage>

namespace mergola {

class Example : public QDialog {
    Q_OBJECT
public:
    // The smallest client area, so that a tiny or empty working size still
    // leaves a window whose title and close box can be reached.
    static constexpr QSize kMinimumClientSize{120, 40};

    // pict is shared, not copied: nothing can change it while the window is
    // open, and a copy of a large result would cost its whole size again.
    Example(const QImage &pict, int resultWidth, int resultHeight, QWidget *parent = nullptr);
};

} // namespace mergola
