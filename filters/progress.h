// How a running filter reports how far it has got. The window stores the
// value into FilterProgress and gives the event loop one turn; the CLI
// draws a bar on a terminal; tests record the sequence.
#pragma once

#include <cstdint>

namespace mergola {

// Thrown out of FilterProgressSink::yield() when the program must give up
// the running filter (the user ended the program during the event-loop
// turn). ApplyFilter catches it and drops the filter's result.
struct FilterAbandoned {};

class FilterProgressSink {
public:
    virtual ~FilterProgressSink() = default;
    // Stores the percentage into FilterProgress and through the reference.
    virtual void store(std::int32_t percent) = 0;
    // One turn of the event loop. May throw FilterAbandoned.
    virtual void yield() = 0;

    void report(std::int32_t percent)
    {
        store(percent);
        yield();
    }
    // The convention after row y (counted from 1) of a picture of h rows.
    void reportRow(int y, int h) { report(static_cast<std::int32_t>((std::int64_t(y) * 100) / h)); }
    // The whole report of a run that leaves the picture as it is: the
    // display still sees it begin and end.
    void reportUnchanged()
    {
        store(0);
        report(100);
    }
};

} // namespace mergola
