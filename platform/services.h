// Narrow interfaces over everything that blocks or needs a person: file
// dialogs, message boxes, the busy pointer and the event-loop turn. The
// window program uses the Qt implementations (platform/qt_services.h);
// tests substitute fakes, so no test ever waits on a modal dialog.
#pragma once

#include <QString>

namespace mergola {

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // filter is in "description|pattern;pattern" form. Each returns the
    // chosen full path, or an empty string when the user cancels.
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
