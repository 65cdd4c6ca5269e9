#include "shell/example_window.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

#include <algorithm>

namespace mergola {

namespace {

// `Picture1` of the example window: W x H pixels of white with the result
// drawn at (0, 0). Only the exposed part is painted, which keeps a large
// result cheap to scroll.
class ExamplePicture : public QWidget {
public:
    ExamplePicture(const QImage &pict, QSize size, QWidget *parent) : QWidget(parent), m_pict(pict)
    {
        setObjectName(QStringLiteral("Picture1"));
        setFixedSize(size);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        painter.fillRect(event->rect(), Qt::white);
        const QRect shown = event->rect().intersected(m_pict.rect());
        if (!shown.isEmpty())
            painter.drawImage(shown.topLeft(), m_pict, shown);
    }

private:
    QImage m_pict;
};

} // namespace

Example::Example(const QImage &pict, int resultWidth, int resultHeight, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Example"));
    setWindowTitle(tr(" Example / %1 x %2 pixels").arg(resultWidth).arg(resultHeight));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);

    const QSize pictureSize(std::max(resultWidth, 0), std::max(resultHeight, 0));
    auto *scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setPalette(palette);
    scroller->setWidget(new ExamplePicture(pict, pictureSize, scroller));

    // The whole picture where the screen has room for it; otherwise as
    // much as fits, with scroll bars for the rest.
    QSize client = pictureSize.expandedTo(kMinimumClientSize);
    QRect available(QPoint(0, 0), client);
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        available = screen->availableGeometry();
    // Room for the title bar and the borders that the window manager adds.
    constexpr QSize kFrameAllowance{16, 40};
    const QSize room = (available.size() - kFrameAllowance).expandedTo(kMinimumClientSize);
    if (client.width() > room.width() || client.height() > room.height()) {
        const int bar = scroller->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        client = (client + QSize(bar, bar)).boundedTo(room);
    }
    setFixedSize(client);
    scroller->setGeometry(QRect(QPoint(0, 0), client));
    move(available.center() - rect().center());
}

} // namespace mergola
