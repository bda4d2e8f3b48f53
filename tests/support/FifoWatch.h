// Checks that code never waits on a named pipe: the pipe is made, and while
// the code runs a watcher keeps trying to open its writing end without
// waiting. That succeeds only when a reader is blocked in open(); the watcher
// then closes its end (the reader sees end of file and carries on) and the
// check fails instead of hanging.
#pragma once

#include <functional>
#include <string>

// Makes a named pipe at path; false when it cannot.
bool MakeFifo(const std::string& path);

// Runs code; true when it opened the pipe at path for reading and waited.
bool WaitedOnFifo(const std::string& path, const std::function<void()>& code);
