#include "cli/stop.h"

#include <csignal>

namespace mergola::cli {

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

constexpr int kSignalExitBase = 128;

extern "C" void noteStop(int signal)
{
    if (g_stopSignal == 0)
        g_stopSignal = signal;
}

} // namespace

void installStopHandlers()
{
    struct sigaction action {};
    action.sa_handler = noteStop;
    sigemptyset(&action.sa_mask);
    // Reads and writes under way go on; the work checks the flag itself.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int stopSignal()
{
    return g_stopSignal;
}

int stoppedExitStatus(int signal)
{
    return kSignalExitBase + signal;
}

} // namespace mergola::cli
