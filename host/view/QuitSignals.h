// SIGTERM, SIGINT and SIGHUP end the program at any moment, with status 0.
// While the program starts (nothing drawn yet, maybe blocked on a slow read
// or a huge drawable) a signal ends the process at once. Once the run loop
// listens, the handler only writes a byte to a pipe, so the loop notices the
// signal at once, in its own time, and ends as on any other request to
// stop; should it not manage within a few seconds (a frame that takes
// long), the process ends then.
#pragma once

// Installs the handlers, in the mode that ends the process at once. Called
// first thing in main.
void InstallQuitSignals();

// Switches to the mode that tells the run loop; returns the read end of the
// pipe to poll, or -1 when no pipe can be had (the signals then keep ending
// the process at once).
int ListenForQuitSignals();

// The run loop has ended: no need to end the process should the clean-up
// take its time (the leak checker's, say).
void QuitSignalHandled();

// True when a quit signal arrived (the pipe is drained).
bool QuitSignalArrived(int fd);
