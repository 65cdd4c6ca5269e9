// A picture box of the main window: a persistent picture surface of the
// box's inner size that keeps what is drawn on it, shown as it is. An
// optional sunken border takes two pixels on each side. A click anywhere on
// it emits clicked(), as Space or Enter do while it has the keyboard focus;
// a picture file dropped on it emits fileDropped().
#pragma once

#include "platform/picture.h"

#include <QWidget>

namespace mergola {

class PictureBox : public QWidget {
    Q_OBJECT
public:
    enum class Border { None, Sunken };

    PictureBox(const QString &name, QRect outerGeometry, QRgb fill, Border border, QWidget *parent);

    Picture &picture() { return m_picture; }
    const Picture &picture() const { return m_picture; }

    // Call after drawing on picture() so the screen shows it.
    void refresh() { update(); }

    void setAcceptsFileDrops(bool accepts) { setAcceptDrops(accepts); }

signals:
    void clicked();
    void fileDropped(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    Picture m_picture;
    int m_inset = 0;
};

} // namespace mergola
