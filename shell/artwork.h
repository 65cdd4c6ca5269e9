// The window's look: its icon, the decoration picture `Image1`, and the
// fonts of the prompts drawn into the picture boxes.
#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>

namespace mergola {

constexpr int kIconSize = 32;

QIcon windowIcon();           // kIconSize square, 16 colours
QImage decorationPicture();   // 50 x 100
QFont promptFont();           // Arial bold 12 pt
QFont lensFont();             // Arial bold 11.25 pt
QFont controlFont();          // captions of buttons and labels: the classic 8 pt sans serif

} // namespace mergola
