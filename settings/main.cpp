// dovel-settings: the settings window of the Dovel screen saver, with a live
// preview. Saves to the same preferences file dovel reads.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "assets/Alerts.h"
#include "host/view/ResourcePath.h"
#include "host/prefs/StoredSettings.h"
#include "settings/XScreenSaverRegistration.h"
#include "settings/SettingsDialog.h"

namespace {

struct ProgramOptions {
    std::string prefsFile;     // empty: the user's preferences file
    std::string registration;  // -register-xscreensaver or -unregister-xscreensaver
    bool help = false;
};

const char kUsage[] =
    "usage: dovel-settings [-prefs FILE] [-help]\n"
    "       dovel-settings -register-xscreensaver | -unregister-xscreensaver\n"
    "\n"
    "  -prefs FILE               edit the preferences in FILE instead of\n"
    "                            $XDG_CONFIG_HOME/dovel/qvDovelSS.toml\n"
    "  -register-xscreensaver    add \"GL: dovel --root\" to the programs of ~/.xscreensaver\n"
    "  -unregister-xscreensaver  take Dovel out of ~/.xscreensaver again\n"
    "  -help                     show this text\n";

// Flags with one or two dashes; a value follows its flag or comes after "=".
bool ParseOptions(int argc, char** argv, ProgramOptions* out, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i], value;
        bool inlineValue = false;
        size_t eq = flag.find('=');
        if (eq != std::string::npos) {
            value = flag.substr(eq + 1);
            flag = flag.substr(0, eq);
            inlineValue = true;
        }
        if (flag.size() > 2 && flag.compare(0, 2, "--") == 0) flag = flag.substr(1);
        const bool switchFlag = flag == "-help" || flag == "-h" || flag == "-register-xscreensaver" ||
                                flag == "-unregister-xscreensaver";
        if (switchFlag && inlineValue) {
            *error = flag + " takes no value: \"" + std::string(argv[i]) + "\"";
            return false;
        }
        if (flag == "-help" || flag == "-h") {
            out->help = true;
        } else if (flag == "-register-xscreensaver" || flag == "-unregister-xscreensaver") {
            if (!out->registration.empty() && out->registration != "-" + flag) {
                *error = "-register-xscreensaver and -unregister-xscreensaver exclude each other";
                return false;
            }
            out->registration = "-" + flag;
        } else if (flag == "-prefs") {
            if (!inlineValue && i + 1 < argc) value = argv[++i];
            if (value.empty()) {
                *error = "-prefs needs a file";
                return false;
            }
            out->prefsFile = value;
        } else {
            *error = "unknown flag \"" + std::string(argv[i]) + "\"";
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ProgramOptions options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "dovel-settings: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (options.help) {
        std::printf("%s", kUsage);
        return 0;
    }
    if (!options.registration.empty()) return RunRegistrationCommand(options.registration);
    NameSettingsProgram();
    if (!gtk_init_check()) {
        std::fprintf(stderr, "dovel-settings: cannot open a display (is DISPLAY or WAYLAND_DISPLAY set?)\n");
        return 1;
    }
    SetAlertSink(DialogAlertSink);
    std::string resources;
    if (!LocateResourceFolder(&resources, &error)) {
        std::fprintf(stderr, "dovel-settings: %s\n", error.c_str());
        return 1;
    }
    std::string prefs =
        options.prefsFile.empty() ? ScreenSaverDefaults::PathForModule(kModuleName) : options.prefsFile;
    // A file named on the command line is used only when it is Dovel's.
    if (!options.prefsFile.empty() && !CheckPreferencesFile(prefs, &error)) {
        std::fprintf(stderr, "dovel-settings: %s\n", error.c_str());
        return 1;
    }
    SettingsDialog dialog;
    if (!OpenSettingsDialog(&dialog, resources + "DovelSS.ui", prefs, resources, &error)) {
        std::fprintf(stderr, "dovel-settings: %s\n", error.c_str());
        return 1;
    }
    gtk_window_present(dialog.window);
    while (!dialog.finished) g_main_context_iteration(nullptr, TRUE);
    CloseSettingsDialog(&dialog);
    return 0;
}
