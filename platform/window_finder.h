// Finds where one of the program's own windows lies in a screen-cast frame.
//
// A Wayland client is never told where its windows are on the screen, and
// a portal that sends no pointer position leaves the pointer's place on the
// screen unknown. Over our own window it is known relative to the window;
// finding the window's pixels in the frame gives the rest. The window's
// own rendering must show pixel for pixel in the frame (its scale equal to
// the monitor's); a few changed pixels (the running lens itself, a
// progress bar) are tolerated, a window whose parts lie off the frame is
// not found.
#pragma once

#include "platform/pipewire_screen.h"

#include <QImage>
#include <QPoint>

#include <optional>

namespace mergola {

// Where window's top-left pixel lies in frame; hint, when given, is tried
// first. Nothing when the window does not show there whole, or its picture
// is too plain to be told from the rest of the screen.
std::optional<QPoint> findWindow(const FrameView &frame, const QImage &window, std::optional<QPoint> hint);

} // namespace mergola
