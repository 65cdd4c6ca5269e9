#include "cli/progress_bar.h"

#include "cli/stop.h"

#include <QByteArray>
#include <algorithm>
#include <string_view>

namespace mergola::cli {

namespace {

constexpr int kBarCells = 30;
// What the bar's line holds beside the label and the cells.
constexpr std::string_view kDecoration = " [] 100%";
constexpr int kFullPercent = 100;

} // namespace

void ProgressBar::begin(const QString &label)
{
    m_label = label;
    m_shown = false;
    m_lastPercent = -1;
    m_clock.start();
}

void ProgressBar::store(std::int32_t percent)
{
    if (!m_enabled || percent == m_lastPercent)
        return;
    if (!m_shown && m_clock.elapsed() < m_showAfterMilliseconds)
        return;
    m_lastPercent = percent;
    m_shown = true;
    const int clamped = std::clamp(int(percent), 0, kFullPercent);
    const int filled = clamped * kBarCells / kFullPercent;
    const QByteArray line = m_label.toLocal8Bit() + " [" + QByteArray(filled, '#')
                            + QByteArray(kBarCells - filled, '.') + "] "
                            + QByteArray::number(clamped).rightJustified(3, ' ') + "%";
    std::fprintf(m_stream, "\r%s", line.constData());
    std::fflush(m_stream);
}

void ProgressBar::end()
{
    if (!m_shown)
        return;
    // Overwrite the bar with blanks and return to the start of the line.
    const int width = int(m_label.toLocal8Bit().size()) + kBarCells + int(kDecoration.size());
    std::fprintf(m_stream, "\r%*s\r", width, "");
    std::fflush(m_stream);
    m_shown = false;
}

void ProgressBar::yield()
{
    if (stopRequested())
        throw FilterAbandoned{};
}

} // namespace mergola::cli
