#include "shell/progress_display.h"

#include <algorithm>

namespace mergola {

namespace {
constexpr int kTimer2IntervalMs = 1;
constexpr std::int32_t kDone = 100;
} // namespace

ProgressDisplay::ProgressDisplay(PictureBox &bar, QLabel &label, const std::int32_t &filterProgress, QObject *parent)
    : QObject(parent), m_bar(bar), m_label(label), m_progress(filterProgress)
{
    m_timer.setObjectName(QStringLiteral("Timer2"));
    m_timer.setInterval(kTimer2IntervalMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ProgressDisplay::tick);
}

void ProgressDisplay::start()
{
    clearBar();
    m_enabled = true;
    m_timer.start();
}

void ProgressDisplay::valueStored()
{
    if (m_enabled && !m_timer.isActive())
        m_timer.start();
}

void ProgressDisplay::tick()
{
    if (!m_enabled)
        return;
    bool changed = false;
    const QString text = QString::number(m_progress) + QLatin1Char('%');
    if (m_label.text() != text) {
        m_label.setText(text);
        m_label.adjustSize();
        changed = true;
    }
    // Columns already red stay red until the bar is cleared, so only a
    // higher value adds ink.
    const int column = std::min<int>(m_progress, m_bar.picture().width() - 1);
    if (column > m_lastRedColumn) {
        m_bar.picture().fillRect(0, 0, column, m_bar.picture().height() - 1, kProgressInk);
        m_lastRedColumn = column;
        changed = true;
    }
    if (changed)
        m_bar.refresh();
    if (m_progress == kDone) {
        clearBar();
        m_enabled = false;
        m_timer.stop();
    } else if (!changed) {
        m_timer.stop(); // nothing new to show; valueStored() re-arms it
    }
}

void ProgressDisplay::reset()
{
    m_enabled = false;
    m_timer.stop();
    m_label.setText(QString::number(m_progress) + QLatin1Char('%'));
    m_label.adjustSize();
    clearBar();
}

void ProgressDisplay::clearBar()
{
    m_bar.picture().clear();
    m_lastRedColumn = -1;
    m_bar.refresh();
}

} // namespace mergola
