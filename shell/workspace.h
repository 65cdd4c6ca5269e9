// The pictures the shell owns for the whole run: the working size W x H,
// the slot pictures `Foto(1)` and `Foto(2)` and the result picture `Pict`.
// Other parts borrow them for the length of one event.
#pragma once

#include "platform/picture.h"
#include "shell/settings.h"

#include <array>

namespace mergola {

// The displays are always this size, whatever the working size.
constexpr int kDisplayWidth = 320;
constexpr int kDisplayHeight = 240;

constexpr QRgb kWindowBackground = qRgb(255, 255, 255); // fill of Foto(1) and Pict
constexpr QRgb kWindowText = qRgb(0, 0, 0);

struct Workspace {
    int ResultWidth = kDefaultResultWidth;
    int ResultHeight = kDefaultResultHeight;
    std::array<Picture, 2> Foto; // Foto[0] is slot 1, Foto[1] slot 2
    Picture Pict;

    Picture &foto(int slot) { return Foto[static_cast<std::size_t>(slot - 1)]; }

    // Gives Foto(1), Foto(2) and Pict the working size; a picture that
    // already has it is not changed. False when memory ran out.
    bool sizeWorkingPictures()
    {
        bool ok = true;
        for (Picture *picture : {&Foto[0], &Foto[1], &Pict})
            ok = picture->resize(ResultWidth, ResultHeight) && ok;
        return ok;
    }
};

} // namespace mergola
