#include "host/view/QuitSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace {

// How long the run loop has to end after a signal before the process ends
// without it.
constexpr unsigned kGraceSeconds = 5;

volatile sig_atomic_t writeEnd = -1;

void EndNow(int) {
    static const char message[] = "dovel: the run did not end within seconds of the signal; ending it now\n";
    ssize_t ignored = write(STDERR_FILENO, message, sizeof message - 1);
    (void)ignored;
    _exit(0);
}

void OnQuitSignal(int signal) {
    if (writeEnd < 0) _exit(0);
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    ssize_t ignored = write(writeEnd, &byte, 1);
    (void)ignored;
    alarm(kGraceSeconds);
    errno = saved;
}

void Handle(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

}  // namespace

void InstallQuitSignals() {
    Handle(SIGALRM, EndNow);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) Handle(signal, OnQuitSignal);
}

int ListenForQuitSignals() {
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return -1;
    writeEnd = fds[1];
    return fds[0];
}

void QuitSignalHandled() {
    alarm(0);
}

bool QuitSignalArrived(int fd) {
    char bytes[16];
    bool arrived = false;
    while (read(fd, bytes, sizeof bytes) > 0) arrived = true;
    return arrived;
}
