#include "platform/screen_cast_portal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>

namespace mergola {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");

// The portal's numbers for what it is asked.
constexpr uint kMonitorSources = 1;
constexpr uint kCursorHidden = 1;
constexpr uint kCursorEmbedded = 2;
constexpr uint kCursorMetadata = 4;
constexpr uint kPersistUntilRevoked = 2;
constexpr uint kResponseCancelled = 1;
// Cursor modes came with version 2 of the interface, restore tokens with 4.
constexpr uint kVersionCursorModes = 2;
constexpr uint kVersionRestore = 4;

QPoint pairOf(const QVariant &value)
{
    if (!value.canConvert<QDBusArgument>())
        return {};
    const auto argument = value.value<QDBusArgument>();
    int first = 0, second = 0;
    argument.beginStructure();
    argument >> first >> second;
    argument.endStructure();
    return {first, second};
}

QList<CastStream> streamsOf(const QVariant &value)
{
    QList<CastStream> streams;
    if (!value.canConvert<QDBusArgument>())
        return streams;
    const auto argument = value.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        CastStream stream;
        QVariantMap properties;
        argument.beginStructure();
        argument >> stream.node >> properties;
        argument.endStructure();
        stream.position = pairOf(properties.value(QStringLiteral("position")));
        const QPoint size = pairOf(properties.value(QStringLiteral("size")));
        stream.size = QSize(size.x(), size.y());
        streams << stream;
    }
    argument.endArray();
    return streams;
}

// The pointer's position beside the frames where offered; otherwise
// frames without the pointer, as a screen grab sees them.
uint bestCursorMode(uint available)
{
    for (uint mode : {kCursorMetadata, kCursorHidden, kCursorEmbedded}) {
        if (available & mode)
            return mode;
    }
    return 0;
}

} // namespace

ScreenCastPortal::ScreenCastPortal(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus)
{
    qRegisterMetaType<CastStream>();
    qRegisterMetaType<QList<CastStream>>();
    m_sender = m_bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
}

ScreenCastPortal::~ScreenCastPortal()
{
    stop();
}

void ScreenCastPortal::start(const QString &restoreToken)
{
    stop();
    m_restoreToken = restoreToken;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("GetAll"));
    call.setArguments({kScreenCast});
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, attempt = m_attempt](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QVariantMap> reply = *w;
        if (attempt != m_attempt)
            return;
        // No portal on the bus, or one without screen casting.
        if (reply.isError())
            fail(CastFailure::NoPortal);
        else
            tookProperties(reply.value());
    });
}

void ScreenCastPortal::tookProperties(const QVariantMap &properties)
{
    if ((properties.value(QStringLiteral("AvailableSourceTypes")).toUInt() & kMonitorSources) == 0) {
        fail(CastFailure::NoPortal);
        return;
    }
    m_version = properties.value(QStringLiteral("version")).toUInt();
    m_cursorMode = m_version >= kVersionCursorModes
                       ? bestCursorMode(properties.value(QStringLiteral("AvailableCursorModes")).toUInt())
                       : 0;
    m_cursorMetadata = m_cursorMode == kCursorMetadata;
    const QVariantMap options{{QStringLiteral("session_handle_token"), QStringLiteral("mergola%1").arg(++m_tokens)}};
    ask(QStringLiteral("CreateSession"), {}, options, [this](const QVariantMap &results) {
        m_session = results.value(QStringLiteral("session_handle")).toString();
        m_bus.connect(kService, m_session, kSession, QStringLiteral("Closed"), this, SLOT(onSessionClosed()));
        selectSources();
    });
}

void ScreenCastPortal::selectSources()
{
    QVariantMap options{{QStringLiteral("types"), kMonitorSources}, {QStringLiteral("multiple"), true}};
    if (m_cursorMode != 0)
        options.insert(QStringLiteral("cursor_mode"), m_cursorMode);
    if (m_version >= kVersionRestore) {
        options.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
        if (!m_restoreToken.isEmpty())
            options.insert(QStringLiteral("restore_token"), m_restoreToken);
    }
    const QDBusObjectPath session(m_session);
    ask(QStringLiteral("SelectSources"), {QVariant::fromValue(session)}, options, [this, session](const QVariantMap &) {
        ask(QStringLiteral("Start"), {QVariant::fromValue(session), QString()}, {}, [this](const QVariantMap &results) {
            const QList<CastStream> streams = streamsOf(results.value(QStringLiteral("streams")));
            if (streams.isEmpty())
                fail(CastFailure::Broken);
            else
                openPipeWire(streams, results.value(QStringLiteral("restore_token")).toString());
        });
    });
}

void ScreenCastPortal::openPipeWire(const QList<CastStream> &streams, const QString &token)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kScreenCast, QStringLiteral("OpenPipeWireRemote"));
    call.setArguments({QVariant::fromValue(QDBusObjectPath(m_session)), QVariantMap()});
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, streams, token, attempt = m_attempt](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
                if (attempt != m_attempt)
                    return;
                // The reply closes its descriptor; the receiver gets one of its own.
                const int fd = reply.isError() || !reply.value().isValid()
                                   ? -1
                                   : ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
                if (fd < 0)
                    fail(CastFailure::Broken);
                else
                    emit started(fd, streams, token);
            });
}

void ScreenCastPortal::ask(const QString &method, QList<QVariant> arguments, QVariantMap options, Step next)
{
    const QString token = QStringLiteral("mergola%1").arg(++m_tokens);
    options.insert(QStringLiteral("handle_token"), token);
    // Listening before asking, so that even a prompt answer is heard.
    m_requestPath = QStringLiteral("%1/request/%2/%3").arg(kPath, m_sender, token);
    m_bus.connect(kService, m_requestPath, kRequest, QStringLiteral("Response"), this,
                  SLOT(onResponse(uint, QVariantMap)));
    m_next = std::move(next);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kScreenCast, method);
    arguments << options;
    call.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, attempt = m_attempt](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (attempt == m_attempt && w->isError())
            fail(CastFailure::Broken);
    });
}

void ScreenCastPortal::onResponse(uint code, const QVariantMap &results)
{
    Step next = std::move(m_next);
    forgetRequest();
    if (!next)
        return;
    if (code == 0)
        next(results);
    else
        fail(code == kResponseCancelled ? CastFailure::Refused : CastFailure::Broken);
}

void ScreenCastPortal::forgetRequest()
{
    if (!m_requestPath.isEmpty())
        m_bus.disconnect(kService, m_requestPath, kRequest, QStringLiteral("Response"), this,
                         SLOT(onResponse(uint, QVariantMap)));
    m_requestPath.clear();
    m_next = nullptr;
}

void ScreenCastPortal::fail(CastFailure why)
{
    stop();
    emit failed(why);
}

void ScreenCastPortal::onSessionClosed()
{
    m_bus.disconnect(kService, m_session, kSession, QStringLiteral("Closed"), this, SLOT(onSessionClosed()));
    m_session.clear();
    stop();
    emit closed();
}

void ScreenCastPortal::stop()
{
    ++m_attempt;
    if (!m_requestPath.isEmpty()) {
        // Takes a consent dialog that is still open off the screen.
        m_bus.send(QDBusMessage::createMethodCall(kService, m_requestPath, kRequest, QStringLiteral("Close")));
        forgetRequest();
    }
    if (!m_session.isEmpty()) {
        m_bus.disconnect(kService, m_session, kSession, QStringLiteral("Closed"), this, SLOT(onSessionClosed()));
        m_bus.send(QDBusMessage::createMethodCall(kService, m_session, kSession, QStringLiteral("Close")));
        m_session.clear();
    }
}

} // namespace mergola
