#include "shell/slots.h"

#include "platform/image_file.h"

#include <QCoreApplication>

namespace mergola {

namespace {

void drawIntoSlot(Workspace &work, int slot, Picture &display, const QImage &image)
{
    Picture &foto = work.foto(slot);
    foto.clear();
    foto.drawStretched(image, QRect(0, 0, work.ResultWidth, work.ResultHeight));
    display.drawStretched(image, QRect(0, 0, kDisplayWidth, kDisplayHeight));
}

} // namespace

QString openPictureFilter()
{
    return QCoreApplication::translate("Slots", kOpenPictureFilter) + QLatin1Char('|') +
           QCoreApplication::translate("Slots", kAllPicturesCaption) + QLatin1Char('|') +
           readablePicturePatterns().join(QLatin1Char(';'));
}

LoadOutcome loadSlotWithDialog(Workspace &work, int slot, Picture &display, FileDialogs &dialogs,
                               BusyPointer &pointer, QSize *memoryFor)
{
    const QString path = dialogs.openFile(openPictureFilter());
    if (path.isEmpty()) {
        pointer.setArrow();
        return LoadOutcome::NotLoaded;
    }
    return loadSlotFile(work, slot, display, path, pointer, nullptr, memoryFor);
}

LoadOutcome loadSlotFile(Workspace &work, int slot, Picture &display, const QString &path, BusyPointer &pointer,
                         QString *why, QSize *memoryFor)
{
    BusyScope busy(pointer);
    // Every load brings all three working pictures to the working size,
    // whichever slot it is for, and even when the file then fails to load.
    if (!work.sizeWorkingPictures())
        return LoadOutcome::OutOfMemory;

    const DecodeResult decoded = decodePictureFile(path);
    if (decoded.image.isNull()) {
        if (why)
            *why = decoded.error;
        if (memoryFor)
            *memoryFor = decoded.size;
        return decoded.outOfMemory ? LoadOutcome::OutOfMemory : LoadOutcome::NotLoaded;
    }
    drawIntoSlot(work, slot, display, decoded.image);
    return LoadOutcome::Loaded;
}

LoadOutcome loadSlotImage(Workspace &work, int slot, Picture &display, const QImage &image, BusyPointer &pointer)
{
    BusyScope busy(pointer);
    if (!work.sizeWorkingPictures())
        return LoadOutcome::OutOfMemory;
    drawIntoSlot(work, slot, display, image);
    return LoadOutcome::Loaded;
}

void clearSlot(Workspace &work, int slot, Picture &display)
{
    work.foto(slot).clear();
    display.clear();
}

} // namespace mergola
