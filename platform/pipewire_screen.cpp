#include "platform/pipewire_screen.h"

#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <unistd.h>

namespace mergola {

namespace {

// Room for the cursor's picture beside its position, for producers that
// send it; the lens reads only the position, so that alone will do.
constexpr int cursorMetaSize(int side)
{
    return static_cast<int>(sizeof(spa_meta_cursor) + sizeof(spa_meta_bitmap)) + side * side * 4;
}
constexpr int kCursorSideDefault = 64;
constexpr int kCursorSideMax = 1024;
// Enough that the producer always has buffers to fill while one is held.
constexpr int kBuffersWanted = 4;
constexpr int kBuffersMin = 3;
constexpr int kBuffersMax = 16;
constexpr std::uint32_t kLargestSide = 16384;
constexpr std::size_t kPodBytes = 1024;

bool hasPixels(const pw_buffer *buffer)
{
    const spa_data &data = buffer->buffer->datas[0];
    return buffer->buffer->n_datas > 0 && data.data && data.chunk && data.chunk->size > 0 &&
           (data.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) == 0;
}

} // namespace

struct PipeWireScreen::Stream {
    int index = 0;
    pw_stream *stream = nullptr;
    spa_hook listener{};
    std::atomic<int> *lastCursorStream = nullptr;
    std::function<void()> broke;

    mutable std::mutex lock; // guards everything below
    pw_buffer *held = nullptr;
    int width = 0;
    int height = 0;
    bool redFirst = false;
    std::optional<QPoint> cursor;

    FrameView view() const
    {
        const spa_data &data = held->buffer->datas[0];
        const int stride = data.chunk->stride > 0 ? data.chunk->stride : 4 * width;
        // A producer that says less than a whole frame gets only the rows it filled.
        const int rows = std::min<int>(height, static_cast<int>(data.chunk->size / std::uint32_t(stride)));
        return {static_cast<const std::uint8_t *>(data.data) + data.chunk->offset, width, rows, stride, redFirst};
    }
};

namespace {

using Stream = PipeWireScreen::Stream;

void takeFormat(void *data, std::uint32_t id, const spa_pod *param)
{
    auto *s = static_cast<Stream *>(data);
    spa_video_info_raw info{};
    if (!param || id != SPA_PARAM_Format || spa_format_video_raw_parse(param, &info) < 0)
        return;
    {
        const std::lock_guard guard(s->lock);
        s->width = static_cast<int>(info.size.width);
        s->height = static_cast<int>(info.size.height);
        s->redFirst = info.format == SPA_VIDEO_FORMAT_RGBx || info.format == SPA_VIDEO_FORMAT_RGBA;
    }
    std::uint8_t bytes[kPodBytes];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(bytes, sizeof bytes);
    const spa_pod *params[2];
    params[0] = static_cast<const spa_pod *>(spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(kBuffersWanted, kBuffersMin, kBuffersMax), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
        SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
    params[1] = static_cast<const spa_pod *>(spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Cursor),
        SPA_PARAM_META_size,
        SPA_POD_CHOICE_RANGE_Int(cursorMetaSize(kCursorSideDefault), int(sizeof(spa_meta_cursor)),
                                 cursorMetaSize(kCursorSideMax))));
    pw_stream_update_params(s->stream, params, 2);
}

void takeFrames(void *data)
{
    auto *s = static_cast<Stream *>(data);
    pw_buffer *newest = nullptr;
    std::optional<QPoint> cursor;
    while (pw_buffer *buffer = pw_stream_dequeue_buffer(s->stream)) {
        const auto *meta = static_cast<const spa_meta_cursor *>(
            spa_buffer_find_meta_data(buffer->buffer, SPA_META_Cursor, sizeof(spa_meta_cursor)));
        // Id 0 means "nothing new about the pointer", not "no pointer".
        if (meta && spa_meta_cursor_is_valid(meta))
            cursor = QPoint(meta->position.x, meta->position.y);
        // A buffer that only moves the pointer keeps the frame held before.
        if (!hasPixels(buffer)) {
            pw_stream_queue_buffer(s->stream, buffer);
            continue;
        }
        if (newest)
            pw_stream_queue_buffer(s->stream, newest);
        newest = buffer;
    }
    const std::lock_guard guard(s->lock);
    if (cursor) {
        s->cursor = cursor;
        s->lastCursorStream->store(s->index);
    }
    if (newest) {
        if (s->held)
            pw_stream_queue_buffer(s->stream, s->held);
        s->held = newest;
    }
}

void dropBuffer(void *data, pw_buffer *buffer)
{
    auto *s = static_cast<Stream *>(data);
    const std::lock_guard guard(s->lock);
    if (s->held == buffer)
        s->held = nullptr;
}

void followState(void *data, pw_stream_state, pw_stream_state state, const char *)
{
    auto *s = static_cast<Stream *>(data);
    if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED)
        s->broke();
}

const pw_stream_events kStreamEvents = [] {
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.state_changed = followState;
    events.param_changed = takeFormat;
    events.remove_buffer = dropBuffer;
    events.process = takeFrames;
    return events;
}();

} // namespace

PipeWireScreen::PipeWireScreen()
{
    pw_init(nullptr, nullptr);
}

PipeWireScreen::~PipeWireScreen()
{
    close();
    pw_deinit();
}

bool PipeWireScreen::open(int fd, const std::vector<std::uint32_t> &nodes, int maxFramesPerSecond,
                          std::function<void()> onFailure)
{
    close();
    m_onFailure = std::move(onFailure);
    m_failed = false;
    m_lastCursorStream = -1;
    m_loop = pw_thread_loop_new("mergola-lens", nullptr);
    if (!m_loop) {
        ::close(fd);
        return false;
    }
    m_context = pw_context_new(pw_thread_loop_get_loop(m_loop), nullptr, 0);
    if (!m_context || pw_thread_loop_start(m_loop) < 0) {
        ::close(fd);
        close();
        return false;
    }
    pw_thread_loop_lock(m_loop);
    m_core = pw_context_connect_fd(m_context, fd, nullptr, 0);
    bool connected = m_core != nullptr;
    for (std::size_t i = 0; connected && i < nodes.size(); ++i) {
        auto s = std::make_unique<Stream>();
        s->index = static_cast<int>(i);
        s->lastCursorStream = &m_lastCursorStream;
        // Told once, however many streams break off together.
        s->broke = [this] {
            if (!m_failed.exchange(true) && m_onFailure)
                m_onFailure();
        };
        s->stream = pw_stream_new(m_core, "mergola-lens",
                                  pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                                    PW_KEY_MEDIA_ROLE, "Screen", nullptr));
        if (!s->stream) {
            connected = false;
            break;
        }
        pw_stream_add_listener(s->stream, &s->listener, &kStreamEvents, s.get());
        std::uint8_t bytes[kPodBytes];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(bytes, sizeof bytes);
        const spa_rectangle smallest{1, 1}, usual{1920, 1080}, largest{kLargestSide, kLargestSide};
        const spa_fraction variable{0, 1}, slowest{1, 1}, fastest{std::uint32_t(maxFramesPerSecond), 1};
        const auto *format = static_cast<const spa_pod *>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
            SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
            SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
                                   SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA),
            SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&usual, &smallest, &largest),
            SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&variable), SPA_FORMAT_VIDEO_maxFramerate,
            SPA_POD_CHOICE_RANGE_Fraction(&fastest, &slowest, &fastest)));
        connected = pw_stream_connect(s->stream, PW_DIRECTION_INPUT, nodes[i],
                                      static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT |
                                                                   PW_STREAM_FLAG_MAP_BUFFERS),
                                      &format, 1) == 0;
        m_streams.push_back(std::move(s));
    }
    pw_thread_loop_unlock(m_loop);
    if (!connected)
        close();
    return connected;
}

void PipeWireScreen::close()
{
    if (!m_loop)
        return;
    pw_thread_loop_lock(m_loop);
    for (const auto &s : m_streams) {
        if (!s->stream)
            continue;
        // Our own disconnection is no failure to report.
        spa_hook_remove(&s->listener);
        pw_stream_destroy(s->stream);
    }
    if (m_core)
        pw_core_disconnect(m_core);
    pw_thread_loop_unlock(m_loop);
    pw_thread_loop_stop(m_loop);
    m_streams.clear();
    m_core = nullptr;
    if (m_context)
        pw_context_destroy(m_context);
    m_context = nullptr;
    pw_thread_loop_destroy(m_loop);
    m_loop = nullptr;
}

QSize PipeWireScreen::frameSize(int i) const
{
    const Stream &s = *m_streams.at(static_cast<std::size_t>(i));
    const std::lock_guard guard(s.lock);
    return s.held ? QSize(s.width, s.height) : QSize();
}

std::optional<QPoint> PipeWireScreen::cursor(int i) const
{
    const Stream &s = *m_streams.at(static_cast<std::size_t>(i));
    const std::lock_guard guard(s.lock);
    return s.cursor;
}

void PipeWireScreen::withFrame(int i, const std::function<void(const FrameView &)> &look) const
{
    const Stream &s = *m_streams.at(static_cast<std::size_t>(i));
    const std::lock_guard guard(s.lock);
    if (s.held)
        look(s.view());
}

QRect PipeWireScreen::copy(int i, const QRect &area, QImage &pixels) const
{
    QRect part;
    withFrame(i, [&](const FrameView &frame) {
        part = area.intersected(QRect(0, 0, frame.width, frame.height));
        if (part.isEmpty())
            return;
        if (pixels.size() != part.size() || pixels.format() != QImage::Format_RGB32)
            pixels = QImage(part.size(), QImage::Format_RGB32);
        for (int y = 0; y < part.height(); ++y) {
            auto *to = reinterpret_cast<QRgb *>(pixels.scanLine(y));
            for (int x = 0; x < part.width(); ++x)
                to[x] = 0xFF000000u | frame.pixel(part.x() + x, part.y() + y);
        }
    });
    return part;
}

} // namespace mergola
