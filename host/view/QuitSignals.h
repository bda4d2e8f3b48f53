// SIGTERM, SIGINT and SIGHUP as a file descriptor to poll: the handler only
// writes a byte to a pipe, so the run loop notices the signal at once, in
// its own time, and ends as on any other request to stop.
#pragma once

// Installs the handlers; returns the read end of the pipe, or -1 when no pipe
// can be had.
int InstallQuitSignals();

// True when a quit signal arrived (the pipe is drained).
bool QuitSignalArrived(int fd);
