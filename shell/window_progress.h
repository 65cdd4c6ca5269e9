// How a running filter reports to the window: the value goes into
// FilterProgress, the progress display is told, and the event loop gets
// its one turn, during which the user may press any button. A handler run
// in that turn may put the arrow back when it ends; the filter is still
// running, so the busy pointer comes back after the turn. When the user
// has ended the program or pressed Esc during that turn, the filter is
// given up.
#pragma once

#include "filters/progress.h"
#include "platform/services.h"
#include "shell/progress_display.h"

#include <cstdint>

namespace mergola {

class WindowFilterProgress final : public FilterProgressSink {
public:
    WindowFilterProgress(std::int32_t &filterProgress, ProgressDisplay &display, EventLoopTurn &loop,
                         BusyPointer &pointer, const bool &ending, const bool &stop)
        : m_value(filterProgress), m_display(display), m_loop(loop), m_pointer(pointer), m_ending(ending), m_stop(stop)
    {
    }

    void store(std::int32_t percent) override
    {
        m_value = percent;
        m_display.valueStored();
    }

    void yield() override
    {
        m_loop.turn();
        m_pointer.setBusy();
        if (m_ending || m_stop)
            throw FilterAbandoned{};
    }

private:
    std::int32_t &m_value;
    ProgressDisplay &m_display;
    EventLoopTurn &m_loop;
    BusyPointer &m_pointer;
    const bool &m_ending;
    const bool &m_stop;
};

} // namespace mergola
