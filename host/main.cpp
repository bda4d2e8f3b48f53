// dovel: the screen saver. On an X display it draws in a window, full screen
// on every monitor, in XScreenSaver's window or in any window by id; without
// a display (or with -headless) it renders into an offscreen EGL drawable
// and can write its frames as PNG files.
#include <cstdio>
#include <cstdlib>

#include "assets/Alerts.h"
#include "host/view/DovelOptions.h"
#include "host/headless/HeadlessRun.h"
#include "host/view/ResourcePath.h"
#include "host/view/RunStats.h"
#include "host/prefs/StoredSettings.h"
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

bool HasDisplay() {
    const char* display = getenv("DISPLAY");
    return display != nullptr && display[0] != '\0';
}

bool WantsHeadless(const DovelOptions& options) {
    if (options.headless) return true;
    if (HasDisplay() || options.modeGiven) return false;
    std::fprintf(stderr, "dovel: no display (DISPLAY is not set); rendering headless instead (-headless)\n");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
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
        if (!HasDisplay()) {
            std::fprintf(stderr, "dovel: drawing on a window needs an X display, and DISPLAY is not set\n");
            return 1;
        }
        return RunX11(options, paths);
    }
    RunStats stats;
    int status = RunHeadless(options, paths, processStart, &stats);
    if (options.stats && (status == 0 || !stats.error.empty())) std::printf("%s\n", stats.ToJson().c_str());
    return status;
}
