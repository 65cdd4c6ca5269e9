// The pictures the shell owns for the whole run: the working size W x H,
// the slot pictures `Foto(1)` and `Foto(2)` and the result picture `Pict`.
// Other parts borrow them for the length of one event.
#pragma once

#include "platform/picture.h"
#include "shell/settings.h"

#include <QCoreApplication>

#include <array>

namespace mergola {

// The displays are always this size, whatever the working size.
constexpr int kDisplayWidth = 320;
constexpr int kDisplayHeight = 240;

constexpr QRgb kWindowBackground = qRgb(255, 255, 255); // fill of Foto(1) and Pict
constexpr QRgb kWindowText = qRgb(0, 0, 0);

// The working size as `MaatLabel` shows it: "320 x 240 pixels".
inline QString workingSizeText(int width, int height)
{
    return QCoreApplication::translate("mergola::Main", "%1 x %2 pixels").arg(width).arg(height);
}

struct Workspace {
    int ResultWidth = kDefaultResultWidth;
    int ResultHeight = kDefaultResultHeight;
    std::array<Picture, 2> Foto; // Foto[0] is slot 1, Foto[1] slot 2
    Picture Pict;

    Picture &foto(int slot) { return Foto[static_cast<std::size_t>(slot - 1)]; }

    // Gives Foto(1), Foto(2) and Pict the working size; a picture that
    // already has it is not changed. All three or none: when the memory for
    // any of them cannot be had, all stay as they were and it returns false.
    bool sizeWorkingPictures()
    {
        // Copies share their pixels until resized, so this costs no more
        // than resizing in place.
        std::array<Picture, 3> sized{Foto[0], Foto[1], Pict};
        for (Picture &picture : sized) {
            if (!picture.resize(ResultWidth, ResultHeight))
                return false;
        }
        Foto[0] = std::move(sized[0]);
        Foto[1] = std::move(sized[1]);
        Pict = std::move(sized[2]);
        return true;
    }
};

} // namespace mergola
