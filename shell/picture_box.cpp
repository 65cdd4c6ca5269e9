#include "shell/picture_box.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace mergola {

namespace {

constexpr int kSunkenBorderWidth = 2;
// The classic sunken edge: shadow above and left, light below and right.
constexpr QRgb kOuterShadow = qRgb(128, 128, 128);
constexpr QRgb kInnerShadow = qRgb(64, 64, 64);
constexpr QRgb kOuterLight = qRgb(255, 255, 255);
constexpr QRgb kInnerLight = qRgb(212, 208, 200);

QString droppedLocalFile(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    const QList<QUrl> urls = mime->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return {};
    return urls.front().toLocalFile();
}

} // namespace

PictureBox::PictureBox(const QString &name, QRect outerGeometry, QRgb fill, Border border, QWidget *parent)
    : QWidget(parent), m_inset(border == Border::Sunken ? kSunkenBorderWidth : 0)
{
    setObjectName(name);
    setGeometry(outerGeometry);
    setContentsMargins(m_inset, m_inset, m_inset, m_inset);
    m_picture.setFillColor(fill);
    m_picture.resize(outerGeometry.width() - 2 * m_inset, outerGeometry.height() - 2 * m_inset);
    m_picture.clear();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_inset > 0) {
        const int right = width() - 1;
        const int bottom = height() - 1;
        auto edge = [&painter](QRgb colour, QPoint a, QPoint b, QPoint c) {
            painter.setPen(QColor(colour));
            painter.drawLine(a, b);
            painter.drawLine(b, c);
        };
        edge(kOuterShadow, QPoint(0, bottom - 1), QPoint(0, 0), QPoint(right - 1, 0));
        edge(kInnerShadow, QPoint(1, bottom - 2), QPoint(1, 1), QPoint(right - 2, 1));
        edge(kOuterLight, QPoint(0, bottom), QPoint(right, bottom), QPoint(right, 0));
        edge(kInnerLight, QPoint(1, bottom - 1), QPoint(right - 1, bottom - 1), QPoint(right - 1, 1));
    }
    painter.drawImage(QPoint(m_inset, m_inset), m_picture.image());
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QWidget::mousePressEvent(event);
}

void PictureBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PictureBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void PictureBox::dropEvent(QDropEvent *event)
{
    const QString path = droppedLocalFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    emit fileDropped(path);
}

} // namespace mergola
