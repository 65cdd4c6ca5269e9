// The progress display: `ProgressLabel` reads FilterProgress followed by
// "%", and `Bar` is red from column 0 to column FilterProgress. `Timer2`
// refreshes it every millisecond while enabled and disables itself when it
// reads exactly 100, emptying the bar.
//
// An idle program must not spin: Timer2 stays logically enabled, but its
// underlying QTimer only runs while something is left to show. The filters'
// progress sink calls valueStored() after each store, which re-arms it.
#pragma once

#include "shell/picture_box.h"

#include <QLabel>
#include <QObject>
#include <QTimer>

#include <cstdint>

namespace mergola {

constexpr QRgb kProgressBackground = qRgb(210, 220, 170);
constexpr QRgb kProgressInk = qRgb(255, 0, 0);

class ProgressDisplay : public QObject {
    Q_OBJECT
public:
    ProgressDisplay(PictureBox &bar, QLabel &label, const std::int32_t &filterProgress, QObject *parent = nullptr);

    // Starting the display: clear the bar and enable Timer2.
    void start();
    // One tick of Timer2.
    void tick();
    // FilterProgress has been written.
    void valueStored();
    // Back to how the program starts: "0%", an empty bar, Timer2 idle. The
    // caller sets FilterProgress to 0 first.
    void reset();

    bool timerEnabled() const { return m_enabled; }

private:
    void clearBar();

    PictureBox &m_bar;
    QLabel &m_label;
    const std::int32_t &m_progress;
    QTimer m_timer;
    bool m_enabled = false;
    int m_lastRedColumn = -1; // the bar is red from 0 to here since it was last cleared
};

} // namespace mergola
