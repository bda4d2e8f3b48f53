// X servers of the tests' own (Xvfb, and Xephyr nested in it for several
// monitors), programs run on them, and windows read back. The tests never
// use the caller's $DISPLAY, so they run where there is no display at all.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

// A program run in the background with extra environment variables
// ("NAME=value"; a bare "NAME" takes NAME out), its standard output and
// error going to a file.
struct ChildProcess {
    pid_t pid = -1;
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    bool Start(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
               const std::string& outputFile, int keepFd = -1);
    // Waits at most seconds for the program to end. True when it did;
    // *status is its exit status, or -1 when a signal ended it.
    bool WaitExit(double seconds, int* status);
    void Signal(int signal);
};

// The dovel built beside the test program.
std::string BuiltDovel();
// The environment of a dovel run in a fake home (folder): no desktop
// settings of the machine's user reach the run.
std::vector<std::string> FakeHomeEnv(const std::string& folder);
// Seconds on the steady clock.
double Now();

// An X server started with -displayfd, so its display number is known once
// it accepts clients. Ends with the test.
struct XServer {
    ChildProcess process;
    std::string name;  // ":N"

    // Xvfb with one screen of width x height.
    bool StartXvfb(int width, int height, const std::string& logFile);
    // Xephyr showing on host: two screens of width x height joined by
    // Xinerama into one root of 2 * width x height with two heads.
    bool StartTwoHeadXephyr(const XServer& host, int width, int height, const std::string& logFile);

private:
    bool Start(const std::vector<std::string>& args, const std::vector<std::string>& env,
               const std::string& logFile);
};

// Pixels of a drawable area as 0xRRGGBB (24-bit TrueColor servers).
struct WindowPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;

    // The share of the pixels that pass the test.
    double Share(const std::function<bool(uint32_t)>& test) const;
};

bool ReadWindow(Display* dpy, unsigned long window, int x, int y, int width, int height, WindowPixels* out);

// A colour within tolerance of (r, g, b) in every channel.
bool NearColour(uint32_t rgb, int r, int g, int b, int tolerance = 16);

// What the tests look for on screen: the background colour of PrefsText
// (0.2, 0.4, 0.6), a heart's red, pure green and black.
inline bool IsBackground(uint32_t p) {
    return NearColour(p, 51, 102, 153);
}
inline bool IsHeart(uint32_t p) {
    return (p >> 16 & 0xff) > 120 && (p >> 8 & 0xff) < 90;
}
inline bool IsGreen(uint32_t p) {
    return NearColour(p, 0, 200, 0, 24);
}
inline bool IsBlack(uint32_t p) {
    return p == 0;
}

// How long a program may take to end on a signal: 0.5 s, longer under the
// sanitizers, whose leak check runs at exit and takes its time.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kQuitLimit = 5.0;
#else
constexpr double kQuitLimit = 0.5;
#endif

// Calls test every 50 ms until it is true or seconds have passed.
bool WaitFor(double seconds, const std::function<bool()>& test);

// The top-level windows named name, in stacking order.
std::vector<unsigned long> WindowsNamed(Display* dpy, const std::string& name);

// From now on this process ignores X errors: the windows a test looks at
// belong to other processes and may go at any moment (Xlib's own handler
// would end the test program).
void IgnoreXErrors();
