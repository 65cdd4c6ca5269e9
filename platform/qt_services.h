// The real, Qt-backed implementations of the platform interfaces, used by
// the window program. Tests use fakes instead.
#pragma once

#include "platform/services.h"

class QWidget;

namespace mergola {

// Converts "description|pattern;pattern" pairs into Qt's
// "description (patterns)" entries, one per pair, adding upper-case twins
// so camera files named IMG_0001.JPG show too.
QString toQtFilter(const QString &filter);

class QtFileDialogs final : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget *parent) : m_parent(parent) {}
    QString openFile(const QString &filter) override;
    QString saveFile(const QString &filter) override;

private:
    QWidget *m_parent;
};

class QtMessageBox final : public MessageBox {
public:
    explicit QtMessageBox(QWidget *parent) : m_parent(parent) {}
    void show(const QString &text) override;

private:
    QWidget *m_parent;
};

class QtModalWindows final : public ModalWindows {
public:
    void exec(QDialog &dialog) override;
};

class QtWebPages final : public WebPages {
public:
    void open(const QUrl &address) override;
};

// The screen as the X server (or another platform that lets programs read
// it) shows it. A Wayland session keeps other programs' pixels private.
class QtScreenReader final : public ScreenReader {
public:
    QtScreenReader();
    bool canRead() const override { return m_canRead; }
    QPoint pointerPosition() const override;
    QRect grab(const QRect &area, QImage &pixels) override;

private:
    bool m_canRead;
};

class QtBusyPointer final : public BusyPointer {
public:
    void setBusy() override;
    void setArrow() override;
};

class QtEventLoopTurn final : public EventLoopTurn {
public:
    void turn() override;
};

} // namespace mergola
