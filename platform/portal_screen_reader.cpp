#include "platform/portal_screen_reader.h"

#include "platform/window_finder.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QWidget>

namespace mergola {

namespace {

// How often our window is looked for again in the frames, in case it was
// moved: a look renders the window and may search a whole frame.
constexpr qint64 kRefindMs = 1000;

std::vector<std::uint32_t> nodesOf(const QList<CastStream> &streams)
{
    std::vector<std::uint32_t> nodes;
    for (const CastStream &stream : streams)
        nodes.push_back(stream.node);
    return nodes;
}

QWidget *widgetOf(const QWindow *window)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == window)
            return widget;
    }
    return nullptr;
}

} // namespace

bool isWaylandSession(const QProcessEnvironment &environment)
{
    return !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
           environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland");
}

PortalScreenReader::PortalScreenReader(const QString &tokenFile, int maxFramesPerSecond, const QDBusConnection &bus,
                                       QObject *parent)
    : QObject(parent), m_tokenFile(tokenFile), m_maxFramesPerSecond(maxFramesPerSecond),
      m_busConnected(bus.isConnected()), m_portal(bus)
{
    connect(&m_portal, &ScreenCastPortal::started, this, &PortalScreenReader::onStarted);
    connect(&m_portal, &ScreenCastPortal::failed, this, &PortalScreenReader::onFailed);
    connect(&m_portal, &ScreenCastPortal::closed, this, [this] { onFailed(CastFailure::Broken); });
}

PortalScreenReader::~PortalScreenReader()
{
    stop();
}

bool PortalScreenReader::canRead() const
{
    return m_busConnected;
}

void PortalScreenReader::start()
{
    if (m_running)
        return;
    m_running = true;
    QString token;
    QFile file(m_tokenFile);
    if (file.open(QIODevice::ReadOnly))
        token = QString::fromUtf8(file.readAll().trimmed());
    m_portal.start(token);
}

void PortalScreenReader::stop()
{
    ++m_attempt;
    m_running = false;
    m_portal.stop();
    m_frames.close();
    m_window.clear();
    m_windowOrigin.reset();
}

void PortalScreenReader::onStarted(int fd, const QList<CastStream> &streams, const QString &token)
{
    // Each token serves one start: the one used is spent, the new one kept.
    keepToken(token);
    m_streams = streams;
    m_stream = 0;
    const quint64 attempt = m_attempt;
    const bool opened = m_frames.open(fd, nodesOf(streams), m_maxFramesPerSecond, [this, attempt] {
        QMetaObject::invokeMethod(
            this, [this, attempt] {
                if (attempt == m_attempt)
                    onFailed(CastFailure::Broken);
            },
            Qt::QueuedConnection);
    });
    if (!opened)
        onFailed(CastFailure::Broken);
}

void PortalScreenReader::onFailed(CastFailure why)
{
    stop();
    emit failed(why);
}

void PortalScreenReader::keepToken(const QString &token) const
{
    if (token.isEmpty()) {
        QFile::remove(m_tokenFile);
        return;
    }
    QDir().mkpath(QFileInfo(m_tokenFile).path());
    QSaveFile file(m_tokenFile);
    // The token lets this user's programs see the screen without asking.
    if (file.open(QIODevice::WriteOnly)) {
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        file.write(token.toUtf8());
        file.commit();
    }
}

QPoint PortalScreenReader::pointerPosition() const
{
    if (!m_frames.isOpen())
        return m_pointer;
    if (m_portal.cursorMetadata()) {
        const int stream = m_frames.lastCursorStream();
        if (stream >= 0) {
            m_stream = stream;
            m_pointer = m_frames.cursor(stream).value_or(m_pointer);
        }
    } else if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        followOwnWindow(QCursor::pos());
    } else {
        followDesktop(QCursor::pos());
    }
    return m_pointer;
}

void PortalScreenReader::followDesktop(const QPoint &global) const
{
    for (int i = 0; i < m_frames.streamCount() && i < m_streams.size(); ++i) {
        const QSize frame = m_frames.frameSize(i);
        if (frame.isEmpty())
            continue;
        // A portal that does not say where its monitor lies has one at the origin, unscaled.
        const CastStream &stream = m_streams[i];
        const QSize logical = stream.size.isEmpty() ? frame : stream.size;
        const QPoint inside = global - stream.position;
        if (!QRect(QPoint(0, 0), logical).contains(inside))
            continue;
        // A scaled monitor's stream has its pixels, the desktop counts in logical ones.
        m_stream = i;
        m_pointer = QPoint(inside.x() * frame.width() / logical.width(), inside.y() * frame.height() / logical.height());
        return;
    }
}

void PortalScreenReader::followOwnWindow(const QPoint &global) const
{
    // Qt on Wayland knows the pointer only over our windows, relative to each.
    QWindow *window = QGuiApplication::topLevelAt(global);
    if (!window)
        return;
    if (window != m_window.data() || !m_sinceFound.isValid() || m_sinceFound.hasExpired(kRefindMs)) {
        QWidget *widget = widgetOf(window);
        const QImage picture = widget ? widget->grab().toImage() : QImage();
        const std::optional<QPoint> hint = window == m_window.data() ? m_windowOrigin : std::nullopt;
        std::optional<QPoint> found;
        bool looked = false;
        const int streams = m_frames.streamCount();
        for (int k = 0; k < streams && !found && !picture.isNull(); ++k) {
            const int i = (m_windowStream + k) % streams;
            m_frames.withFrame(i, [&](const FrameView &frame) {
                looked = true;
                found = findWindow(frame, picture, hint);
            });
            if (found)
                m_windowStream = i;
        }
        // Before the first frame there was nothing to look at: look again at the next tick.
        if (looked)
            m_sinceFound.start();
        if (found || window != m_window.data()) {
            m_window = window;
            m_windowOrigin = found;
        }
    }
    if (!m_windowOrigin)
        return;
    const QPointF local = QPointF(window->mapFromGlobal(global)) * window->devicePixelRatio();
    m_stream = m_windowStream;
    m_pointer = *m_windowOrigin + local.toPoint();
}

QRect PortalScreenReader::grab(const QRect &area, QImage &pixels)
{
    if (!m_frames.isOpen() || m_stream >= m_frames.streamCount())
        return {};
    return m_frames.copy(m_stream, area, pixels);
}

} // namespace mergola
