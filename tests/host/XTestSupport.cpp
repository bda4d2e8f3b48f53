#include "tests/host/XTestSupport.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

extern char** environ;

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string BuiltDovel() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "dovel";
}

std::vector<std::string> FakeHomeEnv(const std::string& folder) {
    return {"HOME=" + folder, "XDG_CONFIG_HOME=" + folder + "/.config", "GSETTINGS_BACKEND=memory"};
}

ChildProcess::~ChildProcess() {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

bool ChildProcess::Start(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
                         const std::string& outputFile, int keepFd) {
    std::vector<std::string> env;
    for (const std::string& extra : extraEnv)
        if (extra.find('=') != std::string::npos) env.push_back(extra);
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& extra : extraEnv)
            replaced = replaced || extra.substr(0, extra.find('=')) == name;
        if (!replaced) env.push_back(entry);
    }
    std::vector<char*> argv, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    (void)keepFd;  // inherited as it is: not close-on-exec
    int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) pid = -1;
    return failed == 0;
}

bool ChildProcess::WaitExit(double seconds, int* status) {
    const double end = Now() + seconds;
    while (pid > 0) {
        int raw = 0;
        pid_t done = waitpid(pid, &raw, WNOHANG);
        if (done == pid) {
            pid = -1;
            *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            return true;
        }
        if (Now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

void ChildProcess::Signal(int signal) {
    if (pid > 0) kill(pid, signal);
}

bool XServer::Start(const std::vector<std::string>& args, const std::vector<std::string>& env,
                    const std::string& logFile) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    std::vector<std::string> command = args;
    command.insert(command.begin() + 1,
                   {"-displayfd", std::to_string(fds[1]), "-noreset", "-nolisten", "tcp"});
    bool started = process.Start(command, env, logFile, fds[1]);
    close(fds[1]);
    std::string number;
    char c = 0;
    // The server writes its display number and a newline once it is ready;
    // the pipe closes without one when it cannot start.
    while (started && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return false;
    name = ":" + number;
    return true;
}

bool XServer::StartXvfb(int width, int height, const std::string& logFile) {
    return Start({"Xvfb", "-screen", "0", std::to_string(width) + "x" + std::to_string(height) + "x24"}, {},
                 logFile);
}

bool XServer::StartTwoHeadXephyr(const XServer& host, int width, int height, const std::string& logFile) {
    std::string size = std::to_string(width) + "x" + std::to_string(height);
    return Start({"Xephyr", "-screen", size, "-screen", size, "+xinerama"}, {"DISPLAY=" + host.name},
                 logFile);
}

double WindowPixels::Share(const std::function<bool(uint32_t)>& test) const {
    if (rgb.empty()) return 0.0;
    size_t passing = 0;
    for (uint32_t p : rgb) passing += test(p) ? 1 : 0;
    return static_cast<double>(passing) / static_cast<double>(rgb.size());
}

bool ReadWindow(Display* dpy, unsigned long window, int x, int y, int width, int height, WindowPixels* out) {
    XImage* image = XGetImage(dpy, window, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    out->width = width;
    out->height = height;
    out->rgb.clear();
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            out->rgb.push_back(static_cast<uint32_t>(XGetPixel(image, col, row) & 0xffffff));
    XDestroyImage(image);
    return true;
}

bool NearColour(uint32_t rgb, int r, int g, int b, int tolerance) {
    int pr = static_cast<int>(rgb >> 16 & 0xff), pg = static_cast<int>(rgb >> 8 & 0xff);
    int pb = static_cast<int>(rgb & 0xff);
    return std::abs(pr - r) <= tolerance && std::abs(pg - g) <= tolerance && std::abs(pb - b) <= tolerance;
}

bool WaitFor(double seconds, const std::function<bool()>& test) {
    const double end = Now() + seconds;
    while (!test()) {
        if (Now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

void IgnoreXErrors() {
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

std::vector<unsigned long> WindowsNamed(Display* dpy, const std::string& name) {
    // A window may go between listing it and reading its name.
    IgnoreXErrors();
    std::vector<unsigned long> found;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count)) return found;
    for (unsigned i = 0; i < count; ++i) {
        char* title = nullptr;
        if (XFetchName(dpy, children[i], &title) && title != nullptr && name == title)
            found.push_back(children[i]);
        if (title != nullptr) XFree(title);
    }
    if (children != nullptr) XFree(children);
    return found;
}
