// The screen as a Wayland desktop lets a program see it: through the
// desktop portal's screen cast, with the frames from PipeWire. Chosen at
// start-up on a Wayland session whichever way the window itself is shown,
// since an X11 grab there reads only black.
//
// Nothing runs until start() (the lens switched on) and nothing after
// stop() (switched off, or the program's end), so the desktop shows its
// "screen is being shared" sign only while the lens is on. The portal's
// restore token is kept in a file of its own and replaced after each start,
// so the desktop asks the user once.
//
// Positions are the pixels of the monitor's stream the pointer is on.
// Where the portal sends the pointer's position with the frames, that is
// the position. Otherwise it is known only over the program's own windows:
// on X11 (XWayland) from the desktop coordinates the monitors' streams
// cover, on Wayland from where the window shows in the frame; elsewhere the
// last place known stays.
#pragma once

#include "platform/pipewire_screen.h"
#include "platform/screen_cast_portal.h"
#include "platform/services.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProcessEnvironment>
#include <QWindow>

namespace mergola {

// Whether the desktop session is Wayland (the program may still be shown
// through XWayland).
bool isWaylandSession(const QProcessEnvironment &environment);

class PortalScreenReader final : public QObject, public ScreenReader {
    Q_OBJECT
public:
    PortalScreenReader(const QString &tokenFile, int maxFramesPerSecond, const QDBusConnection &bus,
                       QObject *parent = nullptr);
    ~PortalScreenReader() override;

    // False only without a session bus to reach a portal through.
    bool canRead() const override;
    QPoint pointerPosition() const override;
    QRect grab(const QRect &area, QImage &pixels) override;

    void start();
    void stop();
    bool isRunning() const { return m_running; }
    bool isStreaming() const { return m_frames.isOpen(); }

signals:
    // The cast did not start, or ended by itself; it is stopped now.
    void failed(CastFailure why);

private:
    void onStarted(int fd, const QList<CastStream> &streams, const QString &token);
    void onFailed(CastFailure why);
    void keepToken(const QString &token) const;
    void followOwnWindow(const QPoint &global) const;
    void followDesktop(const QPoint &global) const;

    QString m_tokenFile;
    int m_maxFramesPerSecond;
    bool m_busConnected;
    ScreenCastPortal m_portal;
    PipeWireScreen m_frames;
    QList<CastStream> m_streams;
    bool m_running = false;
    quint64 m_attempt = 0;
    // Where the pointer was last known, in which stream's pixels.
    mutable QPoint m_pointer;
    mutable int m_stream = 0;
    // Where our window under the pointer showed in that stream, and when that was looked up.
    mutable QPointer<QWindow> m_window;
    mutable std::optional<QPoint> m_windowOrigin;
    mutable int m_windowStream = 0;
    mutable QElapsedTimer m_sinceFound;
};

} // namespace mergola
