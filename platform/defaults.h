// The program's defaults and limits, read by the window (its settings,
// its start-up, its dialogs) and by mergola-cli alike, so that both start
// from the same picture and accept the same values.
#pragma once

#include <QRgb>

namespace mergola {

// The working size every picture is brought to until the user sets
// another, and the JPG quality, before a settings file or an option says
// otherwise.
constexpr int kDefaultResultWidth = 320;
constexpr int kDefaultResultHeight = 240;
constexpr int kDefaultJpgQuality = 75;
// Slot 2's background colour at start-up.
constexpr QRgb kDefaultBackground = qRgb(180, 250, 200);

// The resize dialog's boxes take four digits and the quality box two, so
// these are the largest values the program itself can ever hold; the
// settings file and the command line accept no more.
constexpr int kWorkingSideDigits = 4;
constexpr int kMaxWorkingSide = 9999;
constexpr int kJpgQualityDigits = 2;
constexpr int kMaxJpgQuality = 99;

} // namespace mergola
