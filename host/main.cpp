// dovel: the screen saver. On a Wayland session it draws in a window or full
// screen on every output as a Wayland client; on an X display in a window,
// full screen on every monitor, in XScreenSaver's window or in any window by
// id; without a display (or with -headless) it renders into an offscreen EGL
// drawable and can write its frames as PNG files.
#include <cstdio>
#include <cstdlib>

#include "assets/Alerts.h"
#include "host/view/DovelOptions.h"
#include "host/view/QuitSignals.h"
#include "host/headless/HeadlessRun.h"
#include "host/idle/IdleChild.h"
#include "host/idle/IdleService.h"
#include "host/view/ResourcePath.h"
#include "host/view/RunStats.h"
#include "host/prefs/StoredSettings.h"
#include "host/wayland/WaylandRun.h"
#include "host/x11/X11Run.h"

namespace {

// Taken while the program is loaded, before main: the start of the process
// as far as startup_ms is concerned.
const double processStart = MonotonicSeconds();

// The error hooks' messages (a picture or a settings file refused) are
// worth a line on standard error.
void StderrErrorHook(const char* message) {
    std::fprintf(stderr, "dovel: %s\n", message);
}

bool IsSet(const char* name) {
    const char* value = getenv(name);
    return value != nullptr && value[0] != '\0';
}

bool HasDisplay() {
    return IsSet("DISPLAY");
}

// Wayland where the session is one, unless -x11 asks for X11 or the mode
// draws into an X window (-root, -window-id).
bool WantsWayland(const DovelOptions& options) {
    return IsSet("WAYLAND_DISPLAY") && !options.forceX11 &&
           (options.mode == DisplayMode::kWindow || options.mode == DisplayMode::kFullscreen);
}

bool WantsHeadless(const DovelOptions& options) {
    if (options.headless) return true;
    if (HasDisplay() || IsSet("WAYLAND_DISPLAY") || options.modeGiven) return false;
    std::fprintf(stderr,
                 "dovel: no display (neither WAYLAND_DISPLAY nor DISPLAY is set); rendering headless instead "
                 "(-headless)\n");
    return true;
}

}  // namespace

// The idle service, with the stored idle time (IdleMinutes, or
// -idle-minutes) unless -idle-seconds gives one for this run.
int RunOnIdle(const DovelOptions& options, int argc, const char* const* argv) {
    std::string error;
    if (!options.prefsFile.empty() && !CheckPreferencesFile(options.prefsFile, &error)) {
        std::fprintf(stderr, "dovel: %s\n", error.c_str());
        return 1;
    }
    ScreenSaverDefaults store(options.prefsFile.empty() ? ScreenSaverDefaults::PathForModule(kModuleName)
                                                        : options.prefsFile);
    StoredSettings stored;
    LoadSettings(&store, &stored);
    options.settings.ApplyTo(&stored);
    if (options.idleSeconds <= 0 && stored.idleMinutes == 0) {
        std::fprintf(stderr, "dovel: the idle service is off (IdleMinutes is 0); it ends\n");
        return 0;
    }
    IdleServiceOptions idle;
    idle.idleSeconds = options.idleSeconds > 0 ? options.idleSeconds : stored.idleMinutes * 60;
    idle.verbose = options.verbose;
    idle.childArgs = IdleChildArguments(argc, argv);
    const char* child = getenv("DOVEL_IDLE_CHILD");
    if (child != nullptr) idle.childProgram = child;
    return RunIdleService(idle);
}

int main(int argc, char** argv) {
    // Before anything that may take its time: a signal ends the program at
    // any moment.
    InstallQuitSignals();
    FollowIdleService();
    SetAlertSink(StderrAlertSink);
    SetErrorHookSink(StderrErrorHook);
    DovelOptions options;
    std::string error;
    ParseResult parsed = ParseDovelOptions(argc, argv, &options, &error);
    if (parsed == ParseResult::kError) {
        std::fprintf(stderr, "dovel: %s\n%s\n", error.c_str(), DovelUsageLine());
        return 2;
    }
    if (parsed == ParseResult::kHelp) {
        std::printf("%s\n\n%s", DovelUsageLine(), DovelHelpText());
        return 0;
    }
    if (options.onIdle) return RunOnIdle(options, argc, argv);
    HeadlessPaths paths;
    if (!LocateResourceFolder(&paths.resourcePath, &error)) {
        std::fprintf(stderr, "dovel: %s\n", error.c_str());
        return 1;
    }
    paths.prefsPath =
        options.prefsFile.empty() ? ScreenSaverDefaults::PathForModule(kModuleName) : options.prefsFile;
    // A file named on the command line is used only when it is Dovel's.
    if (!options.prefsFile.empty() && !CheckPreferencesFile(paths.prefsPath, &error)) {
        std::fprintf(stderr, "dovel: %s\n", error.c_str());
        return 1;
    }
    if (!WantsHeadless(options)) {
        if (WantsWayland(options)) {
            int status = RunWayland(options, paths);
            if (status != kNoWaylandCompositor) return status;
            if (!HasDisplay()) {
                std::fprintf(stderr, "dovel: cannot connect to the Wayland compositor \"%s\"\n",
                             getenv("WAYLAND_DISPLAY"));
                return 1;
            }
            std::fprintf(stderr, "dovel: cannot connect to the Wayland compositor; using the X display\n");
        }
        if (!HasDisplay()) {
            std::fprintf(stderr, "dovel: drawing on a window needs an X display, and DISPLAY is not set\n");
            return 1;
        }
        RunStats stats;
        const int status = RunX11(options, paths, processStart, &stats);
        if (options.stats && status == 0) std::printf("%s\n", stats.ToJson().c_str());
        return status;
    }
    RunStats stats;
    int status = RunHeadless(options, paths, processStart, &stats);
    if (options.stats && (status == 0 || !stats.error.empty())) std::printf("%s\n", stats.ToJson().c_str());
    return status;
}
