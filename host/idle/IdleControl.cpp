#include "host/idle/IdleControl.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

extern char** environ;

namespace {

constexpr char kUnit[] = "dovel-idle.service";

// Runs a program without a shell, its output going nowhere; true when it
// exits with status 0.
bool RunQuietly(const std::vector<std::string>& args, bool wait = true) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A service started here lives on in a session of its own.
    if (!wait) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    int failed = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) return false;
    if (!wait) return true;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string AutostartPath() {
    const char* config = getenv("XDG_CONFIG_HOME");
    const char* home = getenv("HOME");
    std::string base = config != nullptr && config[0] == '/'
                           ? config
                           : std::string(home != nullptr ? home : "") + "/.config";
    return base + "/autostart/dovel-idle.desktop";
}

bool SystemdUserManager() {
    return RunQuietly({"systemctl", "--user", "cat", kUnit});
}

pid_t LockHolder(int fd) {
    char text[24] = {0};
    ssize_t n = pread(fd, text, sizeof text - 1, 0);
    return n > 0 ? static_cast<pid_t>(std::strtol(text, nullptr, 10)) : 0;
}

}  // namespace

std::string IdleLockPath() {
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/dovel-idle.lock";
    return "/tmp/dovel-idle-" + std::to_string(getuid()) + ".lock";
}

bool TakeIdleLock(int* fd, pid_t* holder) {
    *holder = 0;
    *fd = open(IdleLockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (*fd < 0) return true;  // no lock to be had: nothing to guard against
    if (flock(*fd, LOCK_EX | LOCK_NB) != 0) {
        *holder = LockHolder(*fd);
        close(*fd);
        *fd = -1;
        return false;
    }
    std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(*fd, 0) != 0 || pwrite(*fd, pid.data(), pid.size(), 0) < 0) {
        // The lock holds without the number; only the settings window's
        // "off" needs it, and systemd ends the service there.
    }
    return true;
}

bool IdleServiceRuns(pid_t* pid) {
    *pid = 0;
    int fd = open(IdleLockPath().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    bool held = flock(fd, LOCK_SH | LOCK_NB) != 0;
    if (held) *pid = LockHolder(fd);
    close(fd);
    return held;
}

bool TurnIdleServiceOn(const std::string& dovelProgram, std::string* error) {
    if (SystemdUserManager() && RunQuietly({"systemctl", "--user", "enable", "--now", kUnit})) return true;
    const std::string path = AutostartPath();
    std::error_code ignored;
    std::filesystem::create_directories(path.substr(0, path.rfind('/')), ignored);
    std::ofstream entry(path, std::ios::trunc);
    entry << "[Desktop Entry]\nType=Application\nName=Dovel Idle Service\n"
             "Comment=Shows the Dovel screen saver after a time without input\n"
          << "Exec=" << dovelProgram << " -on-idle\n"
          << "Icon=dovel\nTerminal=false\nNoDisplay=true\nX-GNOME-Autostart-enabled=true\n"
             "X-systemd-skip=true\nHidden=false\n";
    entry.close();
    if (!entry) {
        *error = "cannot write " + path;
        return false;
    }
    pid_t pid = 0;
    if (!IdleServiceRuns(&pid) && !RunQuietly({dovelProgram, "-on-idle"}, false)) {
        *error = "cannot start " + dovelProgram + " -on-idle";
        return false;
    }
    return true;
}

bool TurnIdleServiceOff(std::string* error) {
    if (SystemdUserManager()) RunQuietly({"systemctl", "--user", "disable", "--now", kUnit});
    const std::string path = AutostartPath();
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
        *error = "cannot remove " + path + ": " + std::strerror(errno);
        return false;
    }
    pid_t pid = 0;
    if (IdleServiceRuns(&pid) && pid > 0) kill(pid, SIGTERM);
    return true;
}

bool RestartIdleService(const std::string& dovelProgram, std::string* error) {
    if (SystemdUserManager() && RunQuietly({"systemctl", "--user", "try-restart", kUnit})) return true;
    pid_t pid = 0;
    if (!IdleServiceRuns(&pid) || pid <= 0) return true;
    kill(pid, SIGTERM);
    // The lock goes with the old service; up to its own limit for ending a
    // full-screen Dovel, and a little more.
    for (int tenths = 0; tenths < 80 && IdleServiceRuns(&pid); ++tenths) usleep(100000);
    if (RunQuietly({dovelProgram, "-on-idle"}, false)) return true;
    *error = "cannot start " + dovelProgram + " -on-idle";
    return false;
}
