// The three combine modes that build the result picture `Pict` from the two
// slot pictures `Foto(1)` and `Foto(2)`:
//   1 "Door elkaar"  checkerboard interleave, pixel for pixel, no scaling;
//   2 "Painting"     slot 1 stretched, then slot 2 stretched over it by
//                    bitwise exclusive-or per colour channel;
//   3 "Onder elkaar" slot 1 above slot 2 in a W x 2H result, with one row
//                    of background between them.
// `CombineResult` only reads the slots and rebuilds `Pict` from nothing; the
// window shows the busy pointer and redraws its display around the call.
#pragma once

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <string_view>

namespace mergola {

class Picture;

struct CombineMode {
    std::int16_t index;        // the `comb` entry index
    const char *caption;       // the menu text, shown exactly as written; translated in the context "Menu"
    std::string_view cliName;  // the command line's name for the mode
};

inline constexpr std::array<CombineMode, 3> kCombineModes{{
    {1, QT_TRANSLATE_NOOP("Menu", "Door elkaar"), "door-elkaar"},
    {2, QT_TRANSLATE_NOOP("Menu", "Painting"), "painting"},
    {3, QT_TRANSLATE_NOOP("Menu", "Onder elkaar"), "onder-elkaar"},
}};

// Clears pict to its fill colour, then runs the mode of index at the working
// size width x height (mode 3 makes the result width x 2 * height). An
// index other than 1 to 3 runs no mode, so pict is only cleared.
//
// A slot that holds no pixels (nothing was ever loaded at a non-zero size)
// takes part as a plain width x height picture of its fill colour, just as
// an empty slot does in the window. A working size of 0 on either axis
// gives a result that holds no pixels (0 x H, W x 0), which is not an
// error; negative sizes count as 0.
//
// Returns false when the memory for the result cannot be had; pict is then
// left exactly as it was, so the user loses nothing by trying.
bool CombineResult(std::int16_t index, const Picture &foto1, const Picture &foto2, Picture &pict, int width,
                   int height);

} // namespace mergola
