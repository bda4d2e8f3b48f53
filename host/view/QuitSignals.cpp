#include "host/view/QuitSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace {

int writeEnd = -1;

void OnQuitSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    ssize_t ignored = write(writeEnd, &byte, 1);
    (void)ignored;
    errno = saved;
}

}  // namespace

int InstallQuitSignals() {
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return -1;
    writeEnd = fds[1];
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
    return fds[0];
}

bool QuitSignalArrived(int fd) {
    char bytes[16];
    bool arrived = false;
    while (read(fd, bytes, sizeof bytes) > 0) arrived = true;
    return arrived;
}
