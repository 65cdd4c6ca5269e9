#include "shell/lens_view.h"

#include "shell/artwork.h"
#include "shell/picture_box.h"
#include "tools/lens.h"

#include <QScrollBar>

namespace mergola {

namespace {

constexpr QRgb kLensText = qRgb(128, 128, 128);
constexpr QPoint kIdleTextCorner(59, 36);
constexpr QPoint kNoScreenTextCorner(6, 36);

// For each of the lens's pixels along one axis, the nearest sample of a
// source of sourceLength pixels, as an index into the grabbed part, which
// starts grabOffset samples into the source and is grabbedLength long; -1
// where the sample lies off the screen and the lens keeps its background.
void mapAxis(std::vector<int> &map, int sourceLength, int grabOffset, int grabbedLength)
{
    const auto destLength = static_cast<std::int64_t>(map.size());
    for (std::size_t i = 0; i < map.size(); ++i) {
        const std::int64_t grabbed = nearestSample(std::int64_t(i), destLength, sourceLength) - std::int64_t(grabOffset);
        map[i] = grabbed >= 0 && grabbed < grabbedLength ? static_cast<int>(grabbed) : -1;
    }
}

} // namespace

LensView::LensView(PictureBox &loepPic, QScrollBar &slider1, ScreenReader &screen, QObject *parent)
    : QObject(parent), m_loepPic(loepPic), m_slider1(slider1), m_screen(screen), m_timer1(new QTimer(this)),
      m_columns(static_cast<std::size_t>(loepPic.picture().width())),
      m_rows(static_cast<std::size_t>(loepPic.picture().height()))
{
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kTickMs);
    connect(m_timer1, &QTimer::timeout, this, &LensView::tick);
    m_timer1->start();
    drawIdleText();
}

void LensView::drawIdleText()
{
    Picture &lens = m_loepPic.picture();
    lens.clear();
    lens.drawText(kIdleTextCorner.x(), kIdleTextCorner.y(), tr("Lens"), lensFont(), kLensText);
    m_loepPic.refresh();
}

void LensView::toggle()
{
    if (m_lensOn) {
        m_lensOn = false;
        drawIdleText();
        return;
    }
    m_lensOn = true;
    if (!m_screen.canRead()) {
        // Rather than a black or stale box, say once why nothing comes.
        Picture &lens = m_loepPic.picture();
        lens.clear();
        lens.drawText(kNoScreenTextCorner.x(), kNoScreenTextCorner.y(), tr("Screen cannot be read"),
                      controlFont(), kLensText);
        m_loepPic.refresh();
    }
}

void LensView::tick()
{
    if (!m_lensOn || !m_screen.canRead())
        return;
    Picture &lens = m_loepPic.picture();
    const QPoint pointer = m_screen.pointerPosition();
    lens.clear();
    const auto zoom = static_cast<std::int16_t>(m_slider1.value());
    const LensSource source = lensSource(toLensCoordinate(pointer.x()), toLensCoordinate(pointer.y()), zoom,
                                         toLensCoordinate(lens.width()), toLensCoordinate(lens.height()));
    if (source.width > 0 && source.height > 0 && lens.hasPixels()) {
        const QRect onScreen = m_screen.grab(QRect(source.x, source.y, source.width, source.height), m_grabbed);
        if (!onScreen.isEmpty()) {
            mapAxis(m_columns, source.width, onScreen.x() - source.x, onScreen.width());
            mapAxis(m_rows, source.height, onScreen.y() - source.y, onScreen.height());
            for (int y = 0; y < lens.height(); ++y) {
                const int row = m_rows[static_cast<std::size_t>(y)];
                if (row < 0)
                    continue;
                const auto *from = reinterpret_cast<const QRgb *>(m_grabbed.constScanLine(row));
                QRgb *to = lens.scanLine(y);
                for (int x = 0; x < lens.width(); ++x) {
                    const int column = m_columns[static_cast<std::size_t>(x)];
                    if (column >= 0)
                        to[x] = from[column] | 0xFF000000u;
                }
            }
        }
    }
    m_loepPic.refresh();
}

} // namespace mergola
