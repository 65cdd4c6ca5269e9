#include "platform/window_finder.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace mergola {

namespace {

// A row piece of the window with many colour changes is searched for
// first; only where it shows is the whole window compared.
constexpr int kProbeLength = 32;
constexpr int kProbeChangesMin = 8;
constexpr int kProbeRowsTried = 64;
constexpr int kProbes = 3;
constexpr int kProbeRowsApart = 40;
// Rows compared across the window, and the share of their pixels that must
// agree: the lens box and the progress bar may have moved on since the
// frame was taken.
constexpr int kComparedRows = 16;
constexpr int kAgreeingPercent = 90;
constexpr QRgb kColourBits = 0x00FFFFFFu;

struct Probe {
    int x = 0, y = 0;
};

QRgb colourAt(const QImage &window, int x, int y)
{
    return reinterpret_cast<const QRgb *>(window.constScanLine(y))[x] & kColourBits;
}

// The busiest row pieces, from rows far enough apart that the pointer
// (drawn into the frames by compositors without a cursor plane) cannot
// cover them all.
std::vector<Probe> pickProbes(const QImage &window)
{
    std::vector<std::pair<int, Probe>> pieces;
    const int rowStep = std::max(1, window.height() / kProbeRowsTried);
    for (int y = 0; y < window.height(); y += rowStep) {
        for (int x = 0; x + kProbeLength <= window.width(); x += kProbeLength / 2) {
            int changes = 0;
            for (int i = 1; i < kProbeLength; ++i)
                changes += colourAt(window, x + i, y) != colourAt(window, x + i - 1, y);
            if (changes >= kProbeChangesMin)
                pieces.push_back({changes, {x, y}});
        }
    }
    std::stable_sort(pieces.begin(), pieces.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    std::vector<Probe> probes;
    for (const auto &piece : pieces) {
        const bool apart = std::all_of(probes.begin(), probes.end(), [&](const Probe &p) {
            return std::abs(p.y - piece.second.y) >= kProbeRowsApart;
        });
        if (apart)
            probes.push_back(piece.second);
        if (static_cast<int>(probes.size()) == kProbes)
            break;
    }
    return probes;
}

bool probeShowsAt(const FrameView &frame, const QImage &window, Probe probe, int frameX, int frameY)
{
    for (int i = 0; i < kProbeLength; ++i) {
        if (frame.pixel(frameX + i, frameY) != colourAt(window, probe.x + i, probe.y))
            return false;
    }
    return true;
}

bool windowShowsAt(const FrameView &frame, const QImage &window, QPoint at)
{
    if (at.x() < 0 || at.y() < 0 || at.x() + window.width() > frame.width || at.y() + window.height() > frame.height)
        return false;
    const int rows = std::min(kComparedRows, window.height());
    long long agreeing = 0;
    for (int i = 0; i < rows; ++i) {
        const int y = rows > 1 ? i * (window.height() - 1) / (rows - 1) : 0;
        for (int x = 0; x < window.width(); ++x)
            agreeing += frame.pixel(at.x() + x, at.y() + y) == colourAt(window, x, y);
    }
    return agreeing * 100 >= static_cast<long long>(rows) * window.width() * kAgreeingPercent;
}

} // namespace

std::optional<QPoint> findWindow(const FrameView &frame, const QImage &picture, std::optional<QPoint> hint)
{
    if (picture.isNull())
        return {};
    const QImage window = picture.convertToFormat(QImage::Format_RGB32);
    if (hint && windowShowsAt(frame, window, *hint))
        return hint;
    for (const Probe &probe : pickProbes(window)) {
        const QRgb first = colourAt(window, probe.x, probe.y);
        for (int top = 0; top + window.height() <= frame.height; ++top) {
            const int y = top + probe.y;
            for (int left = 0; left + window.width() <= frame.width; ++left) {
                const int x = left + probe.x;
                if (frame.pixel(x, y) == first && probeShowsAt(frame, window, probe, x, y) &&
                    windowShowsAt(frame, window, QPoint(left, top)))
                    return QPoint(left, top);
            }
        }
    }
    return {};
}

} // namespace mergola
