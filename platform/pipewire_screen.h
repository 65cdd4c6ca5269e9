// The frames of a desktop portal's screen cast, as PipeWire delivers them:
// one stream per monitor, read on PipeWire's own thread.
//
// Nothing is copied as frames come: each stream holds on to its newest
// buffer (the producer has others to fill meanwhile) and gives the one it
// held back. The lens copies only the few pixels it shows, on its own
// thread, when it asks for them. A stream asks for at most the frame rate
// it is given, and for shared-memory buffers in the four 32-bit layouts the
// portals offer (BGRx, BGRA, RGBx, RGBA).
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_buffer;

namespace mergola {

// One frame as it lies in the producer's memory: 32-bit pixels in rows of
// stride bytes, blue first unless redFirst.
struct FrameView {
    const std::uint8_t *bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    bool redFirst = false;
    std::uint32_t pixel(int x, int y) const // as 0x00RRGGBB
    {
        const std::uint8_t *p = bits + static_cast<std::ptrdiff_t>(y) * stride + 4 * x;
        return redFirst ? (std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2])
                        : (std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0]);
    }
};

class PipeWireScreen {
public:
    PipeWireScreen();
    ~PipeWireScreen();
    PipeWireScreen(const PipeWireScreen &) = delete;
    PipeWireScreen &operator=(const PipeWireScreen &) = delete;

    // Connects through fd (a socket the portal opened; closed here in any
    // case) to the given nodes. False when PipeWire cannot be reached.
    // onFailure runs on PipeWire's thread when a stream breaks off later.
    bool open(int fd, const std::vector<std::uint32_t> &nodes, int maxFramesPerSecond,
              std::function<void()> onFailure);
    void close();
    bool isOpen() const { return m_loop != nullptr; }
    int streamCount() const { return static_cast<int>(m_streams.size()); }

    // Of stream i: the size of its frames (empty before the first), and
    // where its producer last said the pointer was, in the frame's pixels.
    QSize frameSize(int i) const;
    std::optional<QPoint> cursor(int i) const;
    // Which stream reported the pointer last; -1 while none has.
    int lastCursorStream() const { return m_lastCursorStream.load(); }

    // Copies the part of area that lies in stream i's newest frame into
    // pixels (Format_RGB32) and returns that part; empty without a frame.
    QRect copy(int i, const QRect &area, QImage &pixels) const;
    // Runs look on stream i's newest frame while no new one replaces it.
    void withFrame(int i, const std::function<void(const FrameView &)> &look) const;

    struct Stream; // public for PipeWire's callbacks

private:
    pw_thread_loop *m_loop = nullptr;
    pw_context *m_context = nullptr;
    pw_core *m_core = nullptr;
    std::vector<std::unique_ptr<Stream>> m_streams;
    std::atomic<int> m_lastCursorStream{-1};
    std::function<void()> m_onFailure;
    std::atomic<bool> m_failed{false};
};

} // namespace mergola
