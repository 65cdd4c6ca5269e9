// The progress of a long filter on a terminal: one line on standard error,
// "blur [#########...........]  45%", redrawn in place with a carriage
// return and wiped when the filter ends. A filter that ends quickly never
// shows the bar, so short runs leave the terminal untouched.
#pragma once

#include "filters/progress.h"

#include <QElapsedTimer>
#include <QString>
#include <cstdio>

namespace mergola::cli {

class ProgressBar final : public FilterProgressSink {
public:
    // A filter that is done sooner than this never draws the bar.
    static constexpr qint64 kDefaultShowAfterMilliseconds = 300;

    // Draws on stream only when enabled (the CLI enables it when standard
    // error is a terminal); otherwise it stays silent.
    ProgressBar(std::FILE *stream, bool enabled, qint64 showAfterMilliseconds = kDefaultShowAfterMilliseconds)
        : m_stream(stream), m_enabled(enabled), m_showAfterMilliseconds(showAfterMilliseconds)
    {
    }

    // Starts the bar of the filter named label.
    void begin(const QString &label);
    // Wipes the bar if it was shown.
    void end();

    void store(std::int32_t percent) override;
    // The CLI has no window to keep alive between rows, but a Ctrl+C or a
    // SIGTERM ends the filter here.
    void yield() override;

private:
    std::FILE *m_stream;
    bool m_enabled;
    qint64 m_showAfterMilliseconds;
    bool m_shown = false;
    int m_lastPercent = -1;
    QString m_label;
    QElapsedTimer m_clock;
};

} // namespace mergola::cli
