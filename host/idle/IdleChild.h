// The full-screen Dovel the idle service runs: the same program, started
// again through /proc/self/exe with -fullscreen. It ends itself at the first
// input; the service also ends it when its idle source reports input, and
// when the service itself ends. The child asks the kernel for SIGTERM when
// the service dies (FollowIdleService), so no Dovel outlives the session.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

struct IdleChild {
    IdleChild() = default;
    IdleChild(const IdleChild&) = delete;
    IdleChild& operator=(const IdleChild&) = delete;
    ~IdleChild() { StopAndWait(); }

    // Starts program (empty: this program) with args; onExit runs from the
    // main loop when it has ended, with its exit status (or 128 + signal)
    // and whether the service had asked it to stop.
    bool Start(const std::string& program, const std::vector<std::string>& args,
               std::function<void(int status, bool asked)> onExit, std::string* error);
    bool Running() const { return pid > 0; }
    // Asks it to end (SIGTERM; SIGKILL when it still runs 5 s later).
    void Stop();
    // Ends it and waits for it, outside the main loop (the service's end).
    void StopAndWait();

    pid_t pid = -1;
    bool asked = false;
    unsigned watchId = 0;
    unsigned killId = 0;
    std::function<void(int, bool)> onExit;

    void Ended(int waitStatus);
};

// Called first thing in dovel: a dovel started by the idle service ends
// with it (PR_SET_PDEATHSIG), and ends at once when the service is already
// gone.
void FollowIdleService();
