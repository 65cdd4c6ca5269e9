// Narrow interfaces over everything that blocks or needs a person: file
// dialogs, message boxes, modal windows, the busy pointer, the event-loop
// turn, the browser and the screen under the lens. The
// window program uses the Qt implementations (platform/qt_services.h);
// tests substitute fakes, so no test ever waits on a modal dialog.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QUrl>

class QDialog;

namespace mergola {

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // filter is in "description|pattern;pattern" form, with more entries
    // added as further "|description|pattern" pairs; the dialog starts on
    // the first. Each returns the chosen full path, or an empty string when
    // the user cancels.
    virtual QString openFile(const QString &filter) = 0;
    // The save dialog asks before overwriting and adds no extension.
    virtual QString saveFile(const QString &filter) = 0;
};

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // A modal box with the text, an OK button and the program's name as title.
    virtual void show(const QString &text) = 0;
};

class ModalWindows {
public:
    virtual ~ModalWindows() = default;
    // Shows dialog modally and returns once it is closed; its result()
    // tells whether it was accepted.
    virtual void exec(QDialog &dialog) = 0;
};

class WebPages {
public:
    virtual ~WebPages() = default;
    // Opens address in the user's browser without waiting for it. Whether
    // that worked is not reported: there is nothing the user could do.
    virtual void open(const QUrl &address) = 0;
};

// The screen as the magnifier lens sees it, in screen pixels.
class ScreenReader {
public:
    virtual ~ScreenReader() = default;
    // False where the platform cannot read other programs' pixels.
    virtual bool canRead() const = 0;
    virtual QPoint pointerPosition() const = 0;
    // Copies the part of area that lies on the screen into pixels
    // (Format_RGB32 or ARGB32, that part's size) and returns that part;
    // an empty rectangle when none of area lies on the screen.
    virtual QRect grab(const QRect &area, QImage &pixels) = 0;
};

class BusyPointer {
public:
    virtual ~BusyPointer() = default;
    virtual void setBusy() = 0;  // the hourglass, for the whole screen
    virtual void setArrow() = 0; // the plain arrow again
};

class EventLoopTurn {
public:
    virtual ~EventLoopTurn() = default;
    // Lets the event loop handle all pending events once, then returns.
    virtual void turn() = 0;
};

// Sets the busy pointer for the life of the object, back to the arrow after.
class BusyScope {
public:
    explicit BusyScope(BusyPointer &pointer) : m_pointer(pointer) { m_pointer.setBusy(); }
    ~BusyScope() { m_pointer.setArrow(); }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    BusyPointer &m_pointer;
};

} // namespace mergola
