// The command line of the dovel program.
#pragma once

#include <cstdint>
#include <string>

#include "host/prefs/SettingsOverrides.h"

// Where the views of a run on a display go.
enum class DisplayMode {
    kWindow,      // a window of our own (the default)
    kFullscreen,  // one borderless view per monitor
    kRoot,        // XScreenSaver's window ($XSCREENSAVER_WINDOW), else the root window
    kWindowId,    // an existing window named on the command line
};

struct DovelOptions {
    bool headless = false;
    bool forceX11 = false;  // -x11: X11 (XWayland) even on a Wayland session
    DisplayMode mode = DisplayMode::kWindow;
    bool modeGiven = false;      // a mode flag was on the command line
    unsigned long windowId = 0;  // -window-id
    bool showFps = false;        // -fps: draw the frame rate in a corner
    int maxFps = 0;              // -max-fps: frames per second at most on a display; 0: the renderer's
    bool exitOnInput = true;     // -fullscreen ends on any key, click or pointer move
    // The mode flags as given; the mode follows from them.
    bool wantWindow = false;
    bool wantFullscreen = false;
    bool wantRoot = false;
    bool wantWindowId = false;
    int width = 1280;
    int height = 720;
    int64_t frames = 600;  // ticks of the 60 Hz virtual clock; on a display, presented frames
    bool framesGiven = false;
    std::string outDir;  // where PNG frames go; empty: none written
    int64_t every = 1;   // write every Kth presented frame
    bool seedGiven = false;
    uint32_t seed = 0;  // replaces the wall clock as the random seed
    bool preview = false;
    std::string prefsFile;     // empty: the user's preferences file
    std::string snapshotFile;  // empty: the snapshot fails
    bool stats = false;
    bool help = false;
    bool onIdle = false;       // -on-idle: the idle service
    int64_t idleSeconds = -1;  // -idle-seconds: over the stored idle time; -1: not given
    bool verbose = false;      // -verbose
    // Settings for this run, over the stored preferences.
    SettingsOverrides settings;
};

enum class ParseResult { kRun, kHelp, kError };

// Parses argv (flags with one or two dashes; a value follows its flag as
// the next argument or after "="). On kError, *error says what is wrong.
ParseResult ParseDovelOptions(int argc, const char* const* argv, DovelOptions* out, std::string* error);

// An X window id written in decimal or as 0x-hex; false unless it is a
// whole number from 1 to 0xffffffff.
bool ParseWindowId(const std::string& text, unsigned long* out);

// How to call dovel, in a few lines.
const char* DovelUsageLine();
// Every flag, one per line, for -help.
const char* DovelHelpText();
