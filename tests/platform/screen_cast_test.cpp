// The lens's screen cast against a fake portal on a bus of the test's own,
// and its frames from a real PipeWire stream that the test produces.
#include "platform/portal_screen_reader.h"

#include "support/fake_desktop.h"
#include "support/test_files.h"

#include <QDir>
#include <QJsonArray>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>

#include <mutex>

using namespace mergola;
using namespace mergola::testing;

namespace {

constexpr int kFramesPerSecond = 40;

// A screen of the test's own: a PipeWire stream in RGBx (the byte order
// that needs turning round), with the pointer's position in each frame.
class ScreenProducer {
public:
    static constexpr int kWidth = 8, kHeight = 6;

    explicit ScreenProducer(const QString &runtime)
    {
        qputenv("PIPEWIRE_RUNTIME_DIR", runtime.toLocal8Bit());
        pw_init(nullptr, nullptr);
        m_loop = pw_thread_loop_new("screen-producer", nullptr);
        m_context = pw_context_new(pw_thread_loop_get_loop(m_loop), nullptr, 0);
        pw_thread_loop_start(m_loop);
        pw_thread_loop_lock(m_loop);
        m_core = pw_context_connect(m_context, nullptr, 0);
        m_events.version = PW_VERSION_STREAM_EVENTS;
        m_events.param_changed = [](void *self, std::uint32_t id, const spa_pod *) {
            if (id == SPA_PARAM_Format)
                static_cast<ScreenProducer *>(self)->offerBuffers();
        };
        m_events.process = [](void *self) { static_cast<ScreenProducer *>(self)->fill(); };
        m_stream = pw_stream_new(m_core, "test-screen",
                                 pw_properties_new(PW_KEY_MEDIA_CLASS, "Video/Source", PW_KEY_MEDIA_TYPE, "Video",
                                                   PW_KEY_MEDIA_CATEGORY, "Capture", nullptr));
        pw_stream_add_listener(m_stream, &m_listener, &m_events, this);
        std::uint8_t bytes[512];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(bytes, sizeof bytes);
        const spa_rectangle size{kWidth, kHeight};
        const spa_fraction rate{0, 1};
        const auto *format = static_cast<const spa_pod *>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
            SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
            SPA_POD_Id(SPA_VIDEO_FORMAT_RGBx), SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&size),
            SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&rate)));
        pw_stream_connect(m_stream, PW_DIRECTION_OUTPUT, PW_ID_ANY,
                          static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS), &format, 1);
        pw_thread_loop_unlock(m_loop);
    }
    ~ScreenProducer()
    {
        pw_thread_loop_stop(m_loop);
        pw_stream_destroy(m_stream), pw_core_disconnect(m_core), pw_context_destroy(m_context);
        pw_thread_loop_destroy(m_loop), pw_deinit();
    }
    std::uint32_t node()
    {
        const std::lock_guard guard(*this);
        return pw_stream_get_node_id(m_stream);
    }
    void lock() { pw_thread_loop_lock(m_loop); }
    void unlock() { pw_thread_loop_unlock(m_loop); }
    // Sends screen (kWidth x kHeight) with the pointer at pointer.
    void show(const QImage &screen, QPoint pointer)
    {
        const std::lock_guard guard(*this);
        m_screen = screen, m_pointer = pointer;
        pw_stream_trigger_process(m_stream);
    }

private:
    void offerBuffers()
    {
        std::uint8_t bytes[512];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(bytes, sizeof bytes);
        const spa_pod *params[2];
        params[0] = static_cast<const spa_pod *>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers, SPA_POD_Int(4),
            SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1), SPA_PARAM_BUFFERS_size, SPA_POD_Int(kWidth * kHeight * 4),
            SPA_PARAM_BUFFERS_stride, SPA_POD_Int(kWidth * 4)));
        params[1] = static_cast<const spa_pod *>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Cursor),
            SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_cursor))));
        pw_stream_update_params(m_stream, params, 2);
    }
    void fill()
    {
        pw_buffer *buffer = pw_stream_dequeue_buffer(m_stream);
        if (!buffer || m_screen.isNull())
            return;
        spa_data &data = buffer->buffer->datas[0];
        auto *to = static_cast<std::uint8_t *>(data.data);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x, to += 4) {
                const QRgb colour = m_screen.pixel(x, y);
                to[0] = std::uint8_t(qRed(colour)), to[1] = std::uint8_t(qGreen(colour));
                to[2] = std::uint8_t(qBlue(colour)), to[3] = 0;
            }
        }
        data.chunk->offset = 0, data.chunk->stride = kWidth * 4, data.chunk->size = kWidth * kHeight * 4;
        if (auto *cursor = static_cast<spa_meta_cursor *>(
                spa_buffer_find_meta_data(buffer->buffer, SPA_META_Cursor, sizeof(spa_meta_cursor))))
            *cursor = {1, 0, {m_pointer.x(), m_pointer.y()}, {0, 0}, 0};
        pw_stream_queue_buffer(m_stream, buffer);
    }

    pw_thread_loop *m_loop;
    pw_context *m_context;
    pw_core *m_core;
    pw_stream *m_stream;
    spa_hook m_listener{};
    pw_stream_events m_events{};
    QImage m_screen;
    QPoint m_pointer;
};

} // namespace

TEST(ScreenCast, AsksOnceAndKeepsEachStartsFreshRestoreTokenBesideTheSettings)
{
    FakeDesktop desktop;
    if (!desktop.start())
        GTEST_SKIP() << "no dbus-daemon or python3-dbus here for a portal of the test's own";
    const QString tokenFile = desktop.folder.filePath("config/Mergola-screencast.token");
    PortalScreenReader reader(tokenFile, kFramesPerSecond, desktop.bus());
    reader.start();
    // A wlroots desktop: no pointer position with the frames, so none in the pixels either.
    QJsonObject selected;
    ASSERT_TRUE(desktop.waitForCall("SelectSources", &selected));
    EXPECT_EQ(selected.value("types").toInt(), 1) << "monitors";
    EXPECT_TRUE(selected.value("multiple").toBool());
    EXPECT_EQ(selected.value("cursor_mode").toInt(), 1);
    EXPECT_EQ(selected.value("persist_mode").toInt(), 2);
    EXPECT_FALSE(selected.contains("restore_token")) << "nothing to restore the first time";
    ASSERT_TRUE(waitForEvents([&] { return reader.isStreaming(); }));
    EXPECT_EQ(contentsOf(tokenFile), "token-1");

    reader.stop();
    EXPECT_TRUE(desktop.waitForCall("Session.Close"));
    EXPECT_FALSE(reader.isStreaming());

    // GNOME and KDE send the pointer's position; the spent token is replaced.
    desktop.tell("cursor-modes 7");
    reader.start();
    ASSERT_TRUE(desktop.waitForCall("SelectSources", &selected));
    EXPECT_EQ(selected.value("cursor_mode").toInt(), 4);
    EXPECT_EQ(selected.value("restore_token").toString(), "token-1");
    ASSERT_TRUE(waitForEvents([&] { return contentsOf(tokenFile) == "token-2"; }));
    EXPECT_FALSE(QFile::permissions(tokenFile) & (QFile::ReadGroup | QFile::ReadOther)) << "the user's alone";

    // A portal too old to restore is not asked to, and the spent token goes.
    reader.stop();
    desktop.tell("version 3");
    reader.start();
    ASSERT_TRUE(desktop.waitForCall("SelectSources", &selected));
    EXPECT_FALSE(selected.contains("persist_mode") || selected.contains("restore_token"));
    EXPECT_TRUE(waitForEvents([&] { return !QFile::exists(tokenFile); }));
}

TEST(ScreenCast, ARefusalOrAMissingPortalEndsTheCastAndSaysWhich)
{
    FakeDesktop desktop;
    if (!desktop.start())
        GTEST_SKIP() << "no dbus-daemon or python3-dbus here for a portal of the test's own";
    const QString tokenFile = writeFile(QDir(desktop.folder.path()), "Mergola-screencast.token", "kept");
    PortalScreenReader reader(tokenFile, kFramesPerSecond, desktop.bus());
    QSignalSpy failures(&reader, &PortalScreenReader::failed);
    const auto failure = [&] { return failures.takeFirst().at(0).value<CastFailure>(); };

    desktop.tell("start-response 1");
    reader.start();
    ASSERT_TRUE(waitForEvents([&] { return failures.size() == 1; }));
    EXPECT_EQ(failure(), CastFailure::Refused);
    EXPECT_TRUE(desktop.waitForCall("Session.Close"));
    EXPECT_FALSE(reader.isRunning());
    EXPECT_EQ(contentsOf(tokenFile), "kept") << "a refusal gives no new token";

    desktop.tell("start-response 2");
    reader.start();
    ASSERT_TRUE(waitForEvents([&] { return failures.size() == 1; }));
    EXPECT_EQ(failure(), CastFailure::Broken);

    desktop.tell("source-types 2");
    reader.start();
    ASSERT_TRUE(waitForEvents([&] { return failures.size() == 1; }));
    EXPECT_EQ(failure(), CastFailure::NoPortal) << "a portal that casts only windows";

    desktop.stopPortal();
    reader.start();
    ASSERT_TRUE(waitForEvents([&] { return failures.size() == 1; }));
    EXPECT_EQ(failure(), CastFailure::NoPortal);
    EXPECT_FALSE(reader.isRunning());
}

TEST(ScreenCast, TheLensGetsTheStreamsPixelsAndPointerFromPipeWire)
{
    FakeDesktop desktop;
    PipeWireDesktop pipeWire;
    if (!desktop.start() || !pipeWire.start(desktop.address()))
        GTEST_SKIP() << "no D-Bus, PipeWire or WirePlumber here to stream through";
    ScreenProducer producer(pipeWire.runtime.path());
    ASSERT_TRUE(waitForEvents([&] { return producer.node() != SPA_ID_INVALID; }));
    desktop.tell("cursor-modes 7");
    const int width = ScreenProducer::kWidth, height = ScreenProducer::kHeight;
    desktop.tell(QStringLiteral("stream %1 0 0 %2 %3").arg(producer.node()).arg(width).arg(height).toUtf8());
    desktop.tell("pipewire " + pipeWire.socket().toUtf8());

    PortalScreenReader reader(desktop.folder.filePath("token"), kFramesPerSecond, desktop.bus());
    reader.start();
    const QImage first = randomImage(width, height, 7);
    const QRect whole(0, 0, width, height);
    QImage seen;
    // Frames come when the screen changes, so it keeps "changing" until one arrives.
    ASSERT_TRUE(waitForEvents([&] {
        producer.show(first, QPoint(5, 2));
        return reader.grab(whole, seen) == whole && seen == first && reader.pointerPosition() == QPoint(5, 2);
    })) << "no frame came through";
    // Beyond the monitor's edge there is nothing to copy.
    EXPECT_EQ(reader.grab(QRect(6, 4, 5, 5), seen), QRect(6, 4, 2, 2));
    EXPECT_EQ(seen, first.copy(6, 4, 2, 2));
    EXPECT_TRUE(reader.grab(QRect(-9, 0, 4, 4), seen).isEmpty());

    const QImage second = randomImage(width, height, 8);
    ASSERT_TRUE(waitForEvents([&] {
        producer.show(second, QPoint(0, 5));
        return reader.grab(whole, seen) == whole && seen == second && reader.pointerPosition() == QPoint(0, 5);
    }));

    reader.stop();
    EXPECT_TRUE(waitForEvents([&] { return !pipeWire.ask({"ls", "Node"}).contains("Stream/Input/Video"); }))
        << "the stream is gone once the lens is off";
    EXPECT_TRUE(reader.grab(whole, seen).isEmpty());
}
