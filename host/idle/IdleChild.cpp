#include "host/idle/IdleChild.h"

#include <glib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

// The service's process id, handed to the child in its environment.
constexpr char kServiceVariable[] = "DOVEL_IDLE_SERVICE";
constexpr unsigned kKillAfterSeconds = 5;

void ChildEnded(GPid, gint status, gpointer data) {
    static_cast<IdleChild*>(data)->Ended(status);
}

gboolean KillChild(gpointer data) {
    auto* child = static_cast<IdleChild*>(data);
    child->killId = 0;
    if (child->pid > 0) kill(child->pid, SIGKILL);
    return G_SOURCE_REMOVE;
}

int ExitCode(int waitStatus) {
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return 255;
}

}  // namespace

bool IdleChild::Start(const std::string& program, const std::vector<std::string>& args,
                      std::function<void(int, bool)> exitHandler, std::string* error) {
    std::vector<std::string> env;
    const std::string prefix = std::string(kServiceVariable) + "=";
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, prefix.c_str(), prefix.size()) != 0) env.push_back(*e);
    env.push_back(prefix + std::to_string(getpid()));
    std::vector<char*> argv, envp;
    argv.push_back(const_cast<char*>("dovel"));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const std::string path = program.empty() ? "/proc/self/exe" : program;
    // The child starts with default signal handling and nothing blocked,
    // whatever the service set up for itself.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t started = -1;
    int failed = posix_spawn(&started, path.c_str(), nullptr, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
        *error = "cannot start " + path + ": " + std::strerror(failed);
        return false;
    }
    pid = started;
    asked = false;
    onExit = std::move(exitHandler);
    watchId = g_child_watch_add(pid, ChildEnded, this);
    return true;
}

void IdleChild::Ended(int waitStatus) {
    g_spawn_close_pid(pid);
    pid = -1;
    watchId = 0;
    if (killId != 0) g_source_remove(killId);
    killId = 0;
    if (onExit) onExit(ExitCode(waitStatus), asked);
}

void IdleChild::Stop() {
    if (pid <= 0 || asked) return;
    asked = true;
    kill(pid, SIGTERM);
    killId = g_timeout_add_seconds(kKillAfterSeconds, KillChild, this);
}

void IdleChild::StopAndWait() {
    if (watchId != 0) g_source_remove(watchId);
    watchId = 0;
    if (killId != 0) g_source_remove(killId);
    killId = 0;
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    // Waits up to the same limit for it to end, then makes sure it does.
    for (unsigned tenths = 0; tenths < kKillAfterSeconds * 10; ++tenths) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        g_usleep(100000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

void FollowIdleService() {
    const char* service = getenv(kServiceVariable);
    if (service == nullptr) return;
    const long parent = std::strtol(service, nullptr, 10);
    unsetenv(kServiceVariable);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The service may have ended before the request took hold.
    if (parent <= 0 || getppid() != static_cast<pid_t>(parent)) raise(SIGTERM);
}
