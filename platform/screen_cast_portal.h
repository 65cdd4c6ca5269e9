// The desktop portal's screen cast handshake (org.freedesktop.portal.
// ScreenCast over D-Bus): CreateSession, SelectSources, Start and
// OpenPipeWireRemote, each answered through a Request's Response signal.
// The first Start shows the desktop's own consent dialog; a restore token
// from an earlier Start lets the portal skip it.
//
// It asks for the monitors (the user may pick several), for the pointer's
// position with each frame where the portal offers that, otherwise for no
// pointer in the pixels, and for a consent that lasts until revoked.
#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QVariantMap>

#include <functional>

class QDBusUnixFileDescriptor;

namespace mergola {

// One monitor's stream: its PipeWire node, and where the monitor lies in
// the desktop's own (logical) coordinates where the portal says so.
struct CastStream {
    quint32 node = 0;
    QPoint position;
    QSize size; // empty when the portal does not say
};

enum class CastFailure { Refused, NoPortal, Broken };

class ScreenCastPortal : public QObject {
    Q_OBJECT
public:
    explicit ScreenCastPortal(const QDBusConnection &bus, QObject *parent = nullptr);
    ~ScreenCastPortal() override;

    // Starts the handshake; restoreToken is empty when there is none.
    // Either started() or failed() follows, unless stop() comes first.
    void start(const QString &restoreToken);
    // Ends the session (or the handshake under way).
    void stop();
    // Whether the frames carry the pointer's position.
    bool cursorMetadata() const { return m_cursorMetadata; }

signals:
    // pipeWireFd is the receiver's to close. restoreToken is empty when the
    // portal gave none.
    void started(int pipeWireFd, const QList<CastStream> &streams, const QString &restoreToken);
    void failed(CastFailure why);
    // The desktop ended a running session (its "stop sharing").
    void closed();

private slots:
    void onResponse(uint code, const QVariantMap &results);
    void onSessionClosed();

private:
    using Step = std::function<void(const QVariantMap &results)>;
    void ask(const QString &method, QList<QVariant> arguments, QVariantMap options, Step next);
    void tookProperties(const QVariantMap &properties);
    void selectSources();
    void fail(CastFailure why);
    void forgetRequest();
    void openPipeWire(const QList<CastStream> &streams, const QString &token);

    QDBusConnection m_bus;
    QString m_sender; // our unique bus name as the portal writes it in request paths
    QString m_restoreToken;
    QString m_session;
    QString m_requestPath;
    Step m_next;
    quint64 m_attempt = 0; // answers to an abandoned attempt are ignored
    uint m_version = 0;
    bool m_cursorMetadata = false;
    uint m_cursorMode = 0;
    int m_tokens = 0;
};

} // namespace mergola

Q_DECLARE_METATYPE(mergola::CastStream)
