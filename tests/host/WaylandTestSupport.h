// Wayland compositors of the tests' own, started headless: weston (as
// root), sway (as an unprivileged user, which it insists on) and mutter
// (GNOME's, in a D-Bus session of its own); what their outputs show, read
// back with weston-screenshooter or grim.
#pragma once

#include <string>
#include <vector>

#include "tests/host/XTestSupport.h"

struct Compositor {
    Compositor() = default;
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;
    // Ends the compositor and what its starter started (mutter's D-Bus
    // session).
    ~Compositor();

    ChildProcess process;
    std::string runtimeDir;           // XDG_RUNTIME_DIR of the compositor and its clients
    std::string socket;               // WAYLAND_DISPLAY
    std::vector<std::string> asUser;  // the command prefix that runs a client as the compositor's user

    // Each starts the compositor in folder (its runtime folder goes there)
    // and waits until it accepts clients. False when it cannot.
    bool StartWeston(const std::string& folder, int width, int height, int scale = 1);
    // Two outputs of width x height side by side, with more lines of
    // configuration; the folder is handed to an unprivileged user when the
    // test runs as root.
    bool StartSway(const std::string& folder, int width, int height, const std::string& config = "");
    bool StartMutter(const std::string& folder, int width, int height);

    // The environment of a client of this compositor.
    std::vector<std::string> ClientEnv() const;
    // Starts args as a client (as the compositor's user).
    bool StartClient(ChildProcess* child, std::vector<std::string> args, std::vector<std::string> env,
                     const std::string& outputFile) const;
    // Runs a client to its end; true when it exits 0 within 30 s.
    bool RunClient(const std::vector<std::string>& args, const std::string& outputFile) const;
    // What every output shows, side by side, as 0xRRGGBB.
    bool Screenshot(WindowPixels* out) const;

private:
    bool WaitForSocket(const std::string& name);
    std::string folder;
    bool sway = false;
};

// The part of pixels from column x, width columns wide, all rows.
WindowPixels Columns(const WindowPixels& pixels, int x, int width);
