// The idle service as the settings window turns it on and off: through
// systemd's user manager (dovel-idle.service) where there is one, else
// through the user's autostart entry, starting or ending the service at
// once either way. One service runs per user session: it holds a lock
// file while it runs, which also tells whether it runs.
#pragma once

#include <sys/types.h>

#include <string>

// The lock file of the session's idle service: $XDG_RUNTIME_DIR/dovel-idle.lock,
// else one per user in the temporary folder.
std::string IdleLockPath();

// Takes the lock for this process; false with *holder set to the process
// that has it (0 when unknown) when another service runs. *fd stays open
// while the service runs.
bool TakeIdleLock(int* fd, pid_t* holder);

// Whether a service runs now, and its process.
bool IdleServiceRuns(pid_t* pid);

// Turns the service on (enabled at login and started now) with the given
// dovel program for the autostart entry; false with *error when neither
// way works.
bool TurnIdleServiceOn(const std::string& dovelProgram, std::string* error);

// Turns it off (not at login, and ended now).
bool TurnIdleServiceOff(std::string* error);

// Ends a running service and starts it again, so that it reads the stored
// idle time anew.
bool RestartIdleService(const std::string& dovelProgram, std::string* error);
