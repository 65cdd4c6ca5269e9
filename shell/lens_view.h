// The magnifier lens on the main window: `LoepKnop` switches it on and
// off, `Timer1` draws a frame into `LoepPic` every 25 ms while it is on,
// enlarging the screen around the mouse pointer by the value of `Slider1`.
//
// The timer runs for the whole run; a tick with the lens off returns at
// once, so an idle window costs nothing. A frame allocates nothing of its
// own: the sampling maps are sized once for the lens box.
#pragma once

#include "platform/services.h"

#include <QImage>
#include <QObject>
#include <QTimer>

#include <vector>

class QScrollBar;

namespace mergola {

class PictureBox;

class LensView : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 25;

    LensView(PictureBox &loepPic, QScrollBar &slider1, ScreenReader &screen, QObject *parent);

    void toggle();
    void tick();
    bool LensOn() const { return m_lensOn; }

private:
    void drawIdleText();

    PictureBox &m_loepPic;
    QScrollBar &m_slider1;
    ScreenReader &m_screen;
    QTimer *m_timer1;
    bool m_lensOn = false;
    QImage m_grabbed;
    std::vector<int> m_columns; // per lens column, the grabbed column shown there, or -1
    std::vector<int> m_rows;
};

} // namespace mergola
