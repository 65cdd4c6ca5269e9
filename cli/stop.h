// Stopping mergola-cli with Ctrl+C or SIGTERM. The signal handler only
// notes the signal; the work looks at it after each row of a filter and
// between its steps, and unwinds from there, so temporary files are
// removed and no half-written output is left. Writing the output cannot
// be interrupted: a stop that comes then finds the run done.
#pragma once

namespace mergola::cli {

// Catches SIGINT and SIGTERM from here on.
void installStopHandlers();

// The signal that asked to stop, or 0.
int stopSignal();
inline bool stopRequested() { return stopSignal() != 0; }

// The exit status of a run stopped by signal: 128 + its number, as a shell
// reports a program that a signal ended (130 for Ctrl+C, 143 for SIGTERM).
int stoppedExitStatus(int signal);

} // namespace mergola::cli
