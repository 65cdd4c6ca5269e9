// Loading a picture file into a slot and clearing a slot. The slot's
// working picture gets the file stretched to the working size, its display
// the file stretched to 320 x 240. A failure at any step leaves the slot
// as it was; the pointer is the arrow afterwards. An unreadable file is
// passed over quietly; memory that runs out is for the caller to report.
#pragma once

#include "platform/services.h"
#include "shell/workspace.h"

namespace mergola {

// The dialog's first entry and the caption of its second, translated in the
// context "Slots".
//: Translate up to the |; the patterns after it stay as they are.
inline constexpr char kOpenPictureFilter[] = QT_TRANSLATE_NOOP("Slots", "Images ( Jpg, Bmp, Gif)|*.jpg;*.bmp;*.gif");
inline constexpr char kAllPicturesCaption[] = QT_TRANSLATE_NOOP("Slots", "All pictures");

// The open dialog's filter: the original entry first, so the dialog opens
// on it as it always did, then "All pictures" with every format that can
// be read here (PNG always; WebP, TIFF and others where Qt has a plugin).
QString openPictureFilter();

enum class LoadOutcome {
    Loaded,
    NotLoaded,   // cancelled, or a file that cannot be read or decoded
    OutOfMemory, // the working pictures, or the file's own picture, could not be had
};

// A click on Foto0(slot): asks for a file and loads it. When memory runs
// out for the file's own picture, memoryFor (if given) receives its size.
LoadOutcome loadSlotWithDialog(Workspace &work, int slot, Picture &display, FileDialogs &dialogs,
                               BusyPointer &pointer, QSize *memoryFor = nullptr);

// Loads path into the slot, as the dialog would. When the file cannot be
// loaded, why (if given) receives the reason in plain words; memoryFor as above.
LoadOutcome loadSlotFile(Workspace &work, int slot, Picture &display, const QString &path, BusyPointer &pointer,
                         QString *why = nullptr, QSize *memoryFor = nullptr);

// Draws a picture already in memory (Format_RGB32, from the clipboard)
// into the slot exactly as a loaded file would be drawn.
LoadOutcome loadSlotImage(Workspace &work, int slot, Picture &display, const QImage &image, BusyPointer &pointer);

// NewKnop1 / NewKnop2: slot and display back to their plain fill colour.
void clearSlot(Workspace &work, int slot, Picture &display);

} // namespace mergola
