// The entries of the filter menu `Filter` (array `fil`) and its "Swap colors"
// submenu (array `fils`): caption, action, filter id and parameter. The
// window builds its menus from these tables and the command line takes its
// operation names from them, so both run every filter the same way.
#pragma once

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <string_view>

namespace mergola {

enum class MenuAction { Filter, Submenu, FlipHorizontal, FlipVertical };

struct FilterMenuEntry {
    std::int16_t index;         // the `fil` / `fils` index
    const char *caption;        // UTF-8, shown exactly as written; translated in the context "Menu"
    MenuAction action;
    std::int32_t filterId;      // for MenuAction::Filter
    std::int32_t parameter;
    std::string_view cliName;   // the command line's OP name; empty for the submenu entry
};

namespace filter_ids {
constexpr std::int32_t Sharpen = 1;
constexpr std::int32_t Negative = 2;
constexpr std::int32_t Blur = 3;
constexpr std::int32_t Deffuse = 4;
constexpr std::int32_t Edge = 6;
constexpr std::int32_t Contour = 7;
constexpr std::int32_t Emboss = 8;
constexpr std::int32_t Engrave = 10;
constexpr std::int32_t Greyscale = 12;
constexpr std::int32_t Relief = 13;
constexpr std::int32_t LightDark = 14;
constexpr std::int32_t Pixelize = 15;
constexpr std::int32_t SwapColors = 16;
constexpr std::int32_t Contrast = 17;
constexpr std::int32_t Coldept = 23;
constexpr std::int32_t Aqua = 24;
constexpr std::int32_t Addnoise = 29;
constexpr std::int32_t Gamma = 31;
} // namespace filter_ids

// Colours packed as red + 256 * green + 65536 * blue.
constexpr std::int32_t kDarkCyan = 0 + 256 * 120 + 65536 * 120; // 7895040
constexpr std::int32_t kCyan = 0 + 256 * 255 + 65536 * 255;     // 16776960

inline constexpr std::array<FilterMenuEntry, 22> kFilMenu{{
    {1, QT_TRANSLATE_NOOP("Menu", "Greyscale"), MenuAction::Filter, filter_ids::Greyscale, 0, "greyscale"},
    {2, QT_TRANSLATE_NOOP("Menu", "Negative"), MenuAction::Filter, filter_ids::Negative, 0, "negative"},
    {3, QT_TRANSLATE_NOOP("Menu", "Light"), MenuAction::Filter, filter_ids::LightDark, 8, "light"},
    {4, QT_TRANSLATE_NOOP("Menu", "Dark"), MenuAction::Filter, filter_ids::LightDark, -8, "dark"},
    {5, QT_TRANSLATE_NOOP("Menu", "Swap colors"), MenuAction::Submenu, 0, 0, ""},
    {10, QT_TRANSLATE_NOOP("Menu", "Blur"), MenuAction::Filter, filter_ids::Blur, 0, "blur"},
    {11, QT_TRANSLATE_NOOP("Menu", "Sharpen"), MenuAction::Filter, filter_ids::Sharpen, 2, "sharpen"},
    {12, QT_TRANSLATE_NOOP("Menu", "Deffuse"), MenuAction::Filter, filter_ids::Deffuse, 6, "deffuse"},
    {13, QT_TRANSLATE_NOOP("Menu", "Pixelize"), MenuAction::Filter, filter_ids::Pixelize, 3, "pixelize"},
    {14, QT_TRANSLATE_NOOP("Menu", "Emboss"), MenuAction::Filter, filter_ids::Emboss, kDarkCyan, "emboss"},
    {15, QT_TRANSLATE_NOOP("Menu", "Engrave"), MenuAction::Filter, filter_ids::Engrave, kDarkCyan, "engrave"},
    {16, QT_TRANSLATE_NOOP("Menu", "Reli\xC3\xAB" "f"), MenuAction::Filter, filter_ids::Relief, 0, "relief"},
    {17, QT_TRANSLATE_NOOP("Menu", "Edge"), MenuAction::Filter, filter_ids::Edge, 1, "edge"},
    {18, QT_TRANSLATE_NOOP("Menu", "Contour"), MenuAction::Filter, filter_ids::Contour, kCyan, "contour"},
    {19, QT_TRANSLATE_NOOP("Menu", "Aqua"), MenuAction::Filter, filter_ids::Aqua, 0, "aqua"},
    {20, QT_TRANSLATE_NOOP("Menu", "Addnoise"), MenuAction::Filter, filter_ids::Addnoise, 50, "addnoise"},
    {21, QT_TRANSLATE_NOOP("Menu", "Gamma"), MenuAction::Filter, filter_ids::Gamma, 70, "gamma"},
    {22, QT_TRANSLATE_NOOP("Menu", "Coldept"), MenuAction::Filter, filter_ids::Coldept, 20, "coldept"},
    {23, QT_TRANSLATE_NOOP("Menu", "Contrast neg"), MenuAction::Filter, filter_ids::Contrast, -10, "contrast-neg"},
    {24, QT_TRANSLATE_NOOP("Menu", "Contrast pos"), MenuAction::Filter, filter_ids::Contrast, 10, "contrast-pos"},
    {25, QT_TRANSLATE_NOOP("Menu", "Flip horizontal"), MenuAction::FlipHorizontal, 0, 0, "flip-horizontal"},
    {26, QT_TRANSLATE_NOOP("Menu", "Flip vertikal"), MenuAction::FlipVertical, 0, 0, "flip-vertical"},
}};

inline constexpr std::array<FilterMenuEntry, 5> kFilsMenu{{
    {1, QT_TRANSLATE_NOOP("Menu", "Swap colors 1"), MenuAction::Filter, filter_ids::SwapColors, 1, "swap-colors-1"},
    {2, QT_TRANSLATE_NOOP("Menu", "Swap colors 2"), MenuAction::Filter, filter_ids::SwapColors, 2, "swap-colors-2"},
    {3, QT_TRANSLATE_NOOP("Menu", "Swap colors 3"), MenuAction::Filter, filter_ids::SwapColors, 3, "swap-colors-3"},
    {4, QT_TRANSLATE_NOOP("Menu", "Swap colors 4"), MenuAction::Filter, filter_ids::SwapColors, 4, "swap-colors-4"},
    {5, QT_TRANSLATE_NOOP("Menu", "Swap colors 5"), MenuAction::Filter, filter_ids::SwapColors, 5, "swap-colors-5"},
}};

} // namespace mergola
